// Loading the handheld file index and opening "VlmrFilesDB" for writing, on
// real handheld images through the Sync Manager.
#include "handheld_file_index.h"

#include <gtest/gtest.h>

#include "files_database.h"
#include "handheld_database.h"
#include "syncmgr/syncmgr.h"
#include "testing/file_record.h"
#include "testing/handheld_session.h"
#include "testing/image.h"
#include "testing/table.h"

namespace conduit {
namespace {

using platform::pdb::PalmRecord;
using vlmtest::LogLine;

// The bytes of `head` as a record head.
std::vector<uint8_t> HeadBytes(const records::HandheldFileHead& head) {
  return records::EncodeFileRecord(head, std::span<const uint8_t>(), 0);
}

// `bytes` followed by zeros to the size of a record head.
std::vector<uint8_t> PaddedHead(std::vector<uint8_t> bytes) {
  bytes.resize(records::file_record::kHeadSize, 0);
  return bytes;
}

class FilesDatabaseTest : public ::testing::Test {
 protected:
  void WriteFiles(const std::vector<PalmRecord>& records) { m_session.PutFilesDatabase(records); }
  // Runs `work` inside a HotSync of the image with the conduit registered.
  void InSession(const std::function<void()>& work) {
    m_session.Sync(work);
    m_log = m_session.Log();
  }
  // Opens "VlmrFilesDB" for writing inside a HotSync and writes `bytes` as a
  // new record through the handle it gives.
  void WriteThroughOpenForWriting(std::vector<uint8_t> bytes) {
    InSession([&] {
      HandheldDatabase database;
      ASSERT_EQ(OpenFilesDatabaseForWriting(database), 0);
      CRawRecordInfo record{};
      record.m_FileHandle = database.Handle();
      record.m_pBytes = bytes.data();
      record.m_RecSize = static_cast<uint32_t>(bytes.size());
      EXPECT_EQ(SyncWriteRec(&record), 0) << "the handle is open for writing";
      EXPECT_EQ(database.Close(), 0);
    });
  }
  std::optional<platform::pdb::PalmDatabase> FilesDatabase() const {
    return vlmtest::FindDatabase(m_session.Image(), records::kFilesDatabaseName);
  }

  vlmtest::HandheldSession m_session;
  std::vector<LogLine> m_log;
};

TEST_F(FilesDatabaseTest, IndexHoldsEveryRecordInOrderWithItsHead) {
  WriteFiles({
      {0x40, 0x101, vlmtest::FileRecordBytes(0x1234, 0x00010203)},
      {0x10 | 3, 0x102, vlmtest::FileRecordBytes(7, 5000)},
      {0, 0x103, vlmtest::FileRecordBytes(7, 1)},
  });
  HandheldFileIndex index;
  InSession([&] { index.Load(); });

  ASSERT_EQ(index.Size(), 3u);
  const auto& first = index.Elements()[0];
  EXPECT_EQ(first.FileId(), 0x1234);
  EXPECT_EQ(first.Size(), 0x00010203u);
  EXPECT_EQ(first.recordId, 0x101u);
  EXPECT_TRUE(first.IsDirty());
  EXPECT_EQ(first.Modified().bytes, (std::array<uint8_t, 8>{20, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(first.head.title, "title");

  EXPECT_EQ(index.Elements()[1].attributes & kRecAttrSecret, kRecAttrSecret)
      << "secret records are read too";
  EXPECT_FALSE(index.Elements()[1].IsDirty());
  EXPECT_EQ(index.FindByFileId(7)->recordId, 0x102u) << "the first element with the ID";
  EXPECT_EQ(index.FindByFileId(99), nullptr);
  EXPECT_TRUE(m_log.empty());
}

TEST_F(FilesDatabaseTest, ShortRecordsAreZeroPaddedNotFilledFromTheRecordBefore) {
  WriteFiles({
      {0, 1, std::vector<uint8_t>(300, 0xAA)},
      {0, 2, {0x00, 0x09, 'a'}},
      {0, 3, {}},
  });
  HandheldFileIndex index;
  InSession([&] { index.Load(); });
  ASSERT_EQ(index.Size(), 3u);
  EXPECT_EQ(HeadBytes(index.Elements()[1].head), PaddedHead({0x00, 0x09, 'a'}));
  EXPECT_EQ(index.Elements()[2].FileId(), 0);
  EXPECT_EQ(index.Elements()[2].Size(), 0u);
}

TEST_F(FilesDatabaseTest, MissingDatabaseGivesAnEmptyIndexSilently) {
  HandheldFileIndex index;
  index.AppendFileId(5);
  InSession([&] { index.Load(); });
  EXPECT_TRUE(index.Empty()) << "loading starts from an empty index";
  EXPECT_TRUE(m_log.empty());
}

// Each row: the Sync Manager call that fails, what the index then holds and
// what is logged.
struct IndexFailureCase : vlmtest::NamedRow {
  const char* failingCall;
  size_t elements;
  std::vector<LogLine> log;
};

class IndexFailures : public FilesDatabaseTest,
                      public ::testing::WithParamInterface<IndexFailureCase> {};

TEST_P(IndexFailures, AreHandledAsFollows) {
  const IndexFailureCase& c = GetParam();
  WriteFiles({{0, 1, vlmtest::FileRecordBytes(1, 0)}, {0, 2, vlmtest::FileRecordBytes(2, 0)}});
  HandheldFileIndex index;
  InSession([&] {
    SyncInjectFailure(c.failingCall, 0);
    index.Load();
  });
  EXPECT_EQ(index.Size(), c.elements);
  EXPECT_EQ(m_log, c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IndexFailures,
    ::testing::Values(IndexFailureCase{"Open", "SyncOpenDB", 0, {}},
                      IndexFailureCase{"Count",
                                       "SyncGetDBRecordCount",
                                       0,
                                       {{"Couldn't read Files database", 22}}},
                      IndexFailureCase{"ReadSkipsRecords", "SyncReadRecordByIndex", 0, {}},
                      IndexFailureCase{"Close", "SyncCloseDB", 2, {{"SyncCloseDB failed", 22}}}),
    vlmtest::RowName());

TEST(HandheldFileIndex, AppendedElementsHoldOnlyTheirFileId) {
  HandheldFileIndex index;
  index.Append(HandheldFileIndexElement::FromRecord(vlmtest::FileRecordBytes(4, 9), 77, 0x40));
  index.AppendFileId(4);
  index.AppendFileId(8);
  ASSERT_EQ(index.Size(), 3u);
  EXPECT_EQ(index.FindByFileId(4)->recordId, 77u);
  const HandheldFileIndexElement* added = index.FindByFileId(8);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->recordId, 0u);
  EXPECT_EQ(added->attributes, 0);
  EXPECT_EQ(HeadBytes(added->head), PaddedHead({0x00, 0x08}));
}

TEST_F(FilesDatabaseTest, HandheldDatabaseIsClosedWhenItsOwnerGoesOutOfScope) {
  WriteFiles({{0, 1, vlmtest::FileRecordBytes(1, 0)}});
  InSession([&] {
    // More opens than the Sync Manager has handles: each owner closed its own.
    for (int round = 0; round < 40; ++round) {
      HandheldDatabase database;
      ASSERT_EQ(database.Open(records::kFilesDatabaseName, records::kOpenReadSecret), 0) << round;
      if (round % 2 == 0) {
        EXPECT_EQ(database.Close(), 0) << "closed once, not again";
      }
    }
    HandheldDatabase missing;
    EXPECT_EQ(missing.Open("NoSuchDB", records::kOpenReadSecret), kSyncErrNotFound);
    EXPECT_FALSE(missing.IsOpen());
  });
  EXPECT_TRUE(m_log.empty());
}

TEST_F(FilesDatabaseTest, OpenForWritingUsesAnExistingDatabase) {
  WriteFiles({{0, 1, vlmtest::FileRecordBytes(1, 0)}});
  WriteThroughOpenForWriting({1, 2, 3, 4});
  EXPECT_TRUE(m_log.empty());
  auto database = FilesDatabase();
  ASSERT_TRUE(database);
  EXPECT_EQ(database->records.size(), 2u);
}

TEST_F(FilesDatabaseTest, OpenForWritingCreatesAMissingDatabase) {
  WriteThroughOpenForWriting({9, 9, 9});
  EXPECT_TRUE(m_log.empty());
  auto database = FilesDatabase();
  ASSERT_TRUE(database);
  EXPECT_EQ(database->creator, records::kCreatorId);
  EXPECT_EQ(database->type, records::kFilesDatabaseType);
  EXPECT_EQ(database->version, 0);
  EXPECT_FALSE(database->IsResourceDatabase());
  ASSERT_EQ(database->records.size(), 1u);
}

TEST_F(FilesDatabaseTest, OpenFailureOtherThanMissingIsLoggedAndReturned) {
  WriteFiles({});
  InSession([&] {
    SyncInjectFailure("SyncOpenDB", 0x4108);
    HandheldDatabase database;
    EXPECT_EQ(OpenFilesDatabaseForWriting(database), 0x4108);
  });
  EXPECT_EQ(m_log, (std::vector<LogLine>{{"Couldn't open the Files database", 22}}));
}

TEST_F(FilesDatabaseTest, CreationFailureIsLoggedAndReturned) {
  InSession([&] {
    SyncInjectFailure("SyncCreateDB", 0x4108);
    HandheldDatabase database;
    EXPECT_EQ(OpenFilesDatabaseForWriting(database), 0x4108);
  });
  EXPECT_EQ(m_log, (std::vector<LogLine>{{"Couldn't create the Files database", 22}}));
  EXPECT_FALSE(FilesDatabase());
}

}  // namespace
}  // namespace conduit
