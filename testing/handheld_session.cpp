// Test support: temporary handheld images and in-process HotSyncs.
#include "testing/handheld_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "syncmgr/syncmgr.h"
#include "testing/hotsync_session.h"
#include "testing/image.h"

namespace vlmtest {

namespace fs = std::filesystem;

HandheldSession::HandheldSession(const std::string& userName) : m_image(m_folder.PathOf("image")) {
  EXPECT_TRUE(platform::pdb::HandheldImage::Create(m_image.Folder(), userName).has_value());
  fs::create_directories(PcFolder());
}

HandheldSession::~HandheldSession() {
  SyncInjectFailure(nullptr, 0);
}

void HandheldSession::PutSearchDatabase(const records::SearchAppInfo& block,
                                        const std::vector<records::SearchResult>& results) const {
  platform::pdb::PalmDatabase database;
  database.name = records::kSearchDatabaseName;
  database.creator = records::kCreatorId;
  database.type = platform::pdb::FourCC("Srch");
  database.appInfo.assign(block.Bytes().begin(), block.Bytes().end());
  for (const records::SearchResult& result : results) {
    database.records.push_back({0, database.NextUniqueId(), result.Encode()});
  }
  PutDatabase(database);
}

void HandheldSession::PutDatabase(const platform::pdb::PalmDatabase& database) const {
  ASSERT_EQ(m_image.SaveDatabase(database), platform::pdb::ImageError::kNone);
}

platform::pdb::PalmDatabase HandheldSession::Database(const std::string& name) const {
  return DatabaseOf(m_image, name);
}

void HandheldSession::Sync(const std::function<void()>& work) {
  ASSERT_EQ(SyncSessionBegin(m_image.Folder().c_str(), nullptr), kSyncErrNone);
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
