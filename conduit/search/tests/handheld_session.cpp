// Test support: temporary handheld images and in-process HotSyncs.
#include "handheld_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "syncmgr/syncmgr.h"

namespace conduit::test {

namespace fs = std::filesystem;

namespace {

std::string MakeTemporaryFolder() {
  char pattern[] = "/tmp/vlm-session-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return {};
  return pattern;
}

}  // namespace

HandheldSession::HandheldSession(const std::string& userName)
    : m_root(MakeTemporaryFolder()), m_image(m_root + "/image") {
  EXPECT_FALSE(m_root.empty());
  EXPECT_TRUE(platform::pdb::HandheldImage::Create(m_image.Folder(), userName).has_value());
  fs::create_directories(PcFolder());
}

HandheldSession::~HandheldSession() {
  SyncInjectFailure(nullptr, 0);
  if (!m_root.empty()) fs::remove_all(m_root);
}

std::string HandheldSession::WritePcFile(const std::string& relative,
                                         const std::string& content) const {
  fs::path path = fs::path(PcFolder()) / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

void HandheldSession::SetModified(const std::string& path, time_t when) {
  utimbuf times{when, when};
  EXPECT_EQ(utime(path.c_str(), &times), 0) << path;
}

void HandheldSession::PutSearchDatabase(const SearchAppInfo& block,
                                        const std::vector<SearchResult>& results) const {
  platform::pdb::PalmDatabase database;
  database.name = kSearchDatabaseName;
  database.creator = kCreatorId;
  database.type = platform::pdb::FourCC("Srch");
  database.appInfo.assign(block.Bytes().begin(), block.Bytes().end());
  for (const SearchResult& result : results) {
    database.records.push_back({0, database.NextUniqueId(), result.Encode()});
  }
  PutDatabase(database);
}

void HandheldSession::PutDatabase(const platform::pdb::PalmDatabase& database) const {
  ASSERT_EQ(m_image.SaveDatabase(database), platform::pdb::ImageError::kNone);
}

platform::pdb::PalmDatabase HandheldSession::Database(const std::string& name) const {
  platform::pdb::PalmDatabase database;
  EXPECT_EQ(m_image.LoadDatabase(name, &database), platform::pdb::ImageError::kNone) << name;
  return database;
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
  std::vector<LogLine> lines;
  for (int32_t i = 0; i < SyncLogEntryCount(); ++i) {
    char text[512];
    LogLine line;
    EXPECT_EQ(SyncLogEntry(i, text, sizeof text, &line.activity), kSyncErrNone);
    line.text = text;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace conduit::test
