// Receiving on real handheld images through the Sync Manager: one record by
// its index or a whole category, the records that cannot be saved named in
// the log, a PC without a data directory left untouched, and receives that
// save nothing failing the request without leaving files behind.
#include "transfer/receive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "request_preference_buffer.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"
#include "testing/file_record.h"
#include "testing/handheld_session.h"
#include "testing/table.h"

namespace conduit::transfer {
namespace {

using vlmtest::HandheldSession;
using vlmtest::LogLine;

std::vector<uint8_t> TextRecord(const std::string& name, const std::string& text) {
  return vlmtest::FileRecordBytes({.title = name,
                                   .sourcePath = name,
                                   .size = static_cast<uint32_t>(text.size() + 1),
                                   .contentKind = records::kContentText},
                                  text + '\0');
}

class ReceiveTest : public testing::Test {
 protected:
  // "VlmrFilesDB" with one record per (name, attributes with category).
  void PutFiles(const std::vector<std::pair<std::string, uint8_t>>& files) {
    std::vector<platform::pdb::PalmRecord> records;
    for (const auto& [name, attributes] : files) {
      std::vector<uint8_t> data =
          TextRecord(name, name == "long" ? std::string(70000, 'x') : "text of " + name);
      if (name == "broken") data.resize(100);
      records.push_back({attributes, static_cast<uint32_t>(records.size() + 1), std::move(data)});
    }
    m_session.PutFilesDatabase(records);
  }

  void Choose(bool wholeCategory, uint32_t selector) {
    records::SearchAppInfo block;
    block.SetReceiveWholeCategory(wholeCategory);
    block.SetReceiveSelector(selector);
    m_session.PutSearchDatabase(block);
  }

  // Receives into a new context whose list is saved into the data
  // directory, as the synchronisation saves it.
  int32_t Receive(bool withDataDirectory = true, const char* failingCall = nullptr) {
    SyncContext context(RequestPreferenceBuffer());
    if (withDataDirectory) context.dataDirectory = m_dataDirectory;
    context.fileListSavable = true;
    const SaveFileList save = [&context] {
      return context.fileList.Save(store::FileListStore::PathIn(context.dataDirectory)) == 0
                 ? 0
                 : kErrFileListNotSaved;
    };
    int32_t result = -1;
    m_received.clear();
    m_session.Sync([&] {
      if (failingCall != nullptr) SyncInjectFailure(failingCall, kSyncErrDamaged);
      result = ReceiveHandheldFiles(context, save);
    });
    for (const store::FileListEntry& entry : context.fileList.Entries()) {
      m_received.push_back(std::filesystem::path(entry.receivedCopy).filename().string());
    }
    return result;
  }

  void SetUp() override { std::filesystem::create_directory(m_dataDirectory); }

  HandheldSession m_session;
  std::string m_dataDirectory = m_session.Root() + "/data";
  std::vector<std::string> m_received;
};

TEST_F(ReceiveTest, OneRecordByItsIndexLeavingTheHandheldUnchanged) {
  PutFiles({{"a", 0}, {"b", 0x40}, {"c", 0}});
  const auto before = m_session.Database(records::kFilesDatabaseName).records;
  Choose(false, 0x00070001);  // only the low 16 bits count
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(m_received, std::vector<std::string>{"b.txt"});
  EXPECT_EQ(m_session.Database(records::kFilesDatabaseName).records, before);
}

TEST_F(ReceiveTest, EveryRecordOfTheCategoryPrivateOnesToo) {
  PutFiles({{"a", 2}, {"b", 3}, {"c", 0x10 | 2}, {"d", 0x80 | 2}});
  Choose(true, 2);
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(m_received, (std::vector<std::string>{"a.txt", "c.txt"}));
}

TEST_F(ReceiveTest, RecordsThatCannotBeSavedAreNamedInTheLogAndTheRestReceived) {
  PutFiles({{"a", 4}, {"broken", 4}, {"c", 4}});
  Choose(true, 4);
  EXPECT_EQ(Receive(), 0) << "the request was carried out";
  EXPECT_EQ(m_received, (std::vector<std::string>{"a.txt", "c.txt"}));
  const std::vector<LogLine> log = m_session.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].activity, 22);
  EXPECT_EQ(log[0].text,
            "Couldn't save a file on the PC: the record is 100 bytes, shorter than its head");
}

TEST_F(ReceiveTest, AnIndexBeyondTheLastRecordReceivesNothingAndSaysSo) {
  PutFiles({{"a", 0}});
  Choose(false, 1);
  EXPECT_EQ(Receive(), kErrNothingReceived);
  EXPECT_TRUE(m_received.empty());
  ASSERT_EQ(m_session.Log().size(), 1u);
  EXPECT_EQ(m_session.Log()[0].activity, 22);
}

TEST_F(ReceiveTest, AFilesDatabaseThatCannotBeOpenedFailsTheRequest) {
  PutFiles({{"a", 0}});
  Choose(false, 0);
  EXPECT_EQ(Receive(true, "SyncOpenDB"), kSyncErrDamaged);
  EXPECT_TRUE(m_received.empty());
  EXPECT_EQ(m_session.Log().back(), (LogLine{"Couldn't open the Files database", 22}));
}

TEST_F(ReceiveTest, WithoutADataDirectoryNothingIsReceivedOrWritten) {
  PutFiles({{"a", 0}});
  Choose(false, 0);
  EXPECT_EQ(Receive(/*withDataDirectory=*/false), kErrNothingReceived);
  EXPECT_TRUE(m_received.empty());
  EXPECT_TRUE(vlmtest::FileNamesIn(m_dataDirectory).empty());
  EXPECT_FALSE(std::filesystem::exists("/a.txt"));
}

TEST_F(ReceiveTest, ACategoryWithoutRecordsIsDone) {
  PutFiles({{"a", 1}});
  Choose(true, 2);
  EXPECT_EQ(Receive(), 0);
  EXPECT_TRUE(m_received.empty());
}

TEST_F(ReceiveTest, ATextLongerThanOneRecordIsSavedCutAndLogged) {
  PutFiles({{"long", 0}});
  Choose(false, 0);
  EXPECT_EQ(Receive(), 0);
  ASSERT_EQ(m_received, std::vector<std::string>{"long.txt"});
  EXPECT_EQ(std::filesystem::file_size(m_dataDirectory + "/long.txt"),
            records::file_record::kMaxRecordSize - records::file_record::kHeadSize);
  ASSERT_EQ(m_session.Log().size(), 1u);
  EXPECT_EQ(m_session.Log()[0],
            (LogLine{"long was cut to its first 65000 bytes on the way from the handheld: " +
                         m_dataDirectory + "/long.txt holds only the beginning of its text",
                     22}));
}

// A folder in which nobody, root included, can create a file: read-only by
// its mode, and immutable where the file system and privileges allow.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string path) : m_path(std::move(path)) {
    chmod(m_path.c_str(), 0555);
    SetImmutable(true);
  }
  ~ReadOnlyFolder() {
    SetImmutable(false);
    chmod(m_path.c_str(), 0755);
  }
  // False when a file can still be made in it.
  bool Holds() const {
    const std::string probe = m_path + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    close(fd);
    unlink(probe.c_str());
    return false;
  }

 private:
  void SetImmutable(bool on) const {
    const int fd = open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    close(fd);
  }
  std::string m_path;
};

enum class Obstacle {
  kDataDirectoryUnderAFile,
  kReadOnlyDataDirectory,
  kRefusedRecords,
  kReadOnlyFileList
};

struct SavedNothing : vlmtest::NamedRow {
  Obstacle obstacle;
  int32_t result;
};

class SavedNothingTest : public ReceiveTest, public testing::WithParamInterface<SavedNothing> {};

// Each receive saves no file, so the request fails and the handheld can ask
// again; nothing it wrote stays behind.
TEST_P(SavedNothingTest, FailsTheRequestAndLeavesNoReceivedFile) {
  const SavedNothing& c = GetParam();
  const bool refused = c.obstacle == Obstacle::kRefusedRecords;
  PutFiles({{refused ? "broken" : "a", 4}, {refused ? "broken" : "b", 4}});
  Choose(true, 4);
  std::optional<ReadOnlyFolder> readOnly;
  const std::string list = store::FileListStore::PathIn(m_dataDirectory);
  switch (c.obstacle) {
    case Obstacle::kDataDirectoryUnderAFile:
      vlmtest::WriteFile(m_session.Root() + "/file", "x");
      m_dataDirectory = m_session.Root() + "/file/data";
      break;
    case Obstacle::kReadOnlyDataDirectory:
      readOnly.emplace(m_dataDirectory);
      if (!readOnly->Holds()) GTEST_SKIP() << "this user can write into any folder";
      break;
    case Obstacle::kReadOnlyFileList:
      vlmtest::WriteFile(list, "");
      chmod(list.c_str(), 0444);
      break;
    case Obstacle::kRefusedRecords:
      break;
  }
  EXPECT_EQ(Receive(), c.result);
  EXPECT_TRUE(m_received.empty());
  if (std::filesystem::is_directory(m_dataDirectory)) {
    for (const std::string& name : vlmtest::FileNamesIn(m_dataDirectory)) {
      EXPECT_EQ(name.rfind("Vellamore.dat", 0) == 0 || name.rfind(".Vellamore.dat", 0) == 0, true)
          << name;
    }
  }
  ASSERT_FALSE(m_session.Log().empty());
  EXPECT_EQ(m_session.Log().back().activity, 22);
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, SavedNothingTest,
    testing::Values(
        SavedNothing{"DataDirectoryCannotBeMade", Obstacle::kDataDirectoryUnderAFile,
                     kErrNothingReceived},
        SavedNothing{"ReadOnlyDataDirectory", Obstacle::kReadOnlyDataDirectory,
                     kErrNothingReceived},
        SavedNothing{"EveryRecordRefused", Obstacle::kRefusedRecords, kErrNothingReceived},
        SavedNothing{"ListCannotBeSaved", Obstacle::kReadOnlyFileList, kErrFileListNotSaved}),
    vlmtest::RowName());

TEST_F(ReceiveTest, AskingAgainAfterTheListCouldNotBeSavedLeavesOneCopyOfEach) {
  PutFiles({{"a", 4}, {"b", 4}});
  Choose(true, 4);
  const std::string list = store::FileListStore::PathIn(m_dataDirectory);
  vlmtest::WriteFile(list, "");
  chmod(list.c_str(), 0444);
  EXPECT_EQ(Receive(), kErrFileListNotSaved);
  chmod(list.c_str(), 0644);
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(m_received, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(vlmtest::FileNamesIn(m_dataDirectory),
            (std::vector<std::string>{"Vellamore.dat", "a.txt", "b.txt"}));
  store::FileListStore saved;
  ASSERT_TRUE(saved.Load(list, store::FileListStore::MissingStore::kZeroHeader));
  EXPECT_EQ(saved.Entries().size(), 2u);
}

}  // namespace
}  // namespace conduit::transfer
