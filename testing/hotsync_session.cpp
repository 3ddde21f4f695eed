// HotSyncs through the Sync Manager of the test process.
#include "testing/hotsync_session.h"

#include <gtest/gtest.h>

#include "syncmgr/syncmgr.h"

namespace vlmtest {

HotSyncSession::HotSyncSession(const std::string& imageDir, const std::string& logPath) {
  m_ok = SyncSessionBegin(imageDir.c_str(), logPath.empty() ? nullptr : logPath.c_str()) ==
         kSyncErrNone;
}

HotSyncSession::~HotSyncSession() {
  SyncInjectFailure(nullptr, 0);
  SyncSessionEnd();
}

std::vector<LogLine> SessionLog() {
  std::vector<LogLine> lines;
  const int32_t count = SyncLogEntryCount();
  for (int32_t index = 0; index < count; ++index) {
    char text[512] = {};
    int32_t activity = 0;
    EXPECT_EQ(SyncLogEntry(index, text, sizeof text, &activity), kSyncErrNone);
    lines.push_back({text, activity});
  }
  return lines;
}

}  // namespace vlmtest
