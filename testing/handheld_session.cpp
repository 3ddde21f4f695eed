// Test support: temporary handheld images and in-process HotSyncs.
#include "testing/handheld_session.h"

#include <gtest/gtest.h>

#include "syncmgr/syncmgr.h"
#include "testing/hotsync_session.h"

namespace vlmtest {

HandheldSession::HandheldSession(const std::string& userName) {
  EXPECT_TRUE(platform::pdb::HandheldImage::Create(Image().Folder(), userName).has_value());
}

HandheldSession::~HandheldSession() {
  SyncInjectFailure(nullptr, 0);
}

void HandheldSession::Sync(const std::function<void()>& work) {
  ASSERT_EQ(SyncSessionBegin(Image().Folder().c_str(), nullptr), kSyncErrNone);
  CONDHANDLE handle = 0;
  EXPECT_EQ(SyncRegisterConduit(&handle), kSyncErrNone);
  work();
  SyncUnRegisterConduit(handle);
  SyncSessionEnd();
}

std::vector<LogLine> HandheldSession::Log() const {
  return SessionLog();
}

}  // namespace vlmtest
