// Sending the listed files on real handheld images through the Sync
// Manager, across several HotSyncs: send actions, users, the handheld's
// edited copies, and the failures that must leave entries and copies alone.
#include "transfer/send_listed_files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bytes/bytes.h"
#include "syncmgr/syncmgr.h"
#include "testing/files.h"
#include "testing/handheld_session.h"
#include "testing/table.h"

namespace conduit::transfer {
namespace {

using store::FileListEntry;
using vlmtest::HandheldSession;
using vlmtest::LogLine;

// A time well in the past, on a minute boundary, for the files' stamps.
constexpr time_t kLongAgo = 1262347200;  // 2010-01-01

class SendListedFilesTest : public testing::Test {
 protected:
  FileListEntry& Add(const std::string& name, uint16_t action, const std::string& user = "Ada") {
    FileListEntry entry;
    entry.id = static_cast<uint16_t>(100 + m_store.Entries().size());
    entry.title = name;
    entry.path = m_session.WritePcFile(name, "content of " + name);
    vlmtest::SetModifiedTime(entry.path, kLongAgo);
    entry.user = user;
    entry.kind = store::kPcFile;
    entry.format = store::kFormatPc;
    entry.action = action;
    m_store.Append(entry);
    return m_store.Entries().back();
  }

  // One HotSync: loads the index as the driver does, then sends. The list
  // "saved" before the commit is kept in m_savedBeforeCommit.
  int32_t Sync(const char* failingCall = nullptr) {
    int32_t result = -1;
    m_session.Sync([&] {
      HandheldFileIndex index;
      index.Load();
      if (failingCall != nullptr) SyncInjectFailure(failingCall, 0);
      result = SendListedFiles(m_store, index, "Ada", [this] {
        m_savedBeforeCommit = m_store.Entries();
        return m_saveResult;
      });
    });
    return result;
  }

  std::vector<platform::pdb::PalmRecord> Records() const { return m_session.FileRecords(); }
  std::vector<uint16_t> RecordFileIds() {
    std::vector<uint16_t> ids;
    for (const auto& record : Records()) ids.push_back(platform::GetU16Be(record.data, 0));
    return ids;
  }

  // Marks every record of the files database as edited on the handheld.
  void EditOnHandheld() {
    auto database = m_session.Database(records::kFilesDatabaseName);
    for (auto& record : database.records) record.attributes |= platform::pdb::kRecordDirty;
    m_session.PutDatabase(database);
  }

  FileListEntry& Entry(size_t i) { return m_store.Entries().at(i); }

  HandheldSession m_session{"Ada"};
  store::FileListStore m_store;
  int32_t m_saveResult = 0;
  std::vector<FileListEntry> m_savedBeforeCommit;
};

TEST_F(SendListedFilesTest, AlwaysReplacesItsCopyAtEveryHotSync) {
  Add("a.txt", store::kActionAlways);
  Sync();
  std::vector<platform::pdb::PalmRecord> first = Records();
  ASSERT_EQ(first.size(), 1u);
  const uint16_t id = Entry(0).id;  // a new ID: the handheld had no copy
  EXPECT_EQ(platform::GetU16Be(first[0].data, 0), id);
  EXPECT_TRUE(Entry(0).lastSent.IsSet());
  Sync();
  std::vector<platform::pdb::PalmRecord> second = Records();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(Entry(0).id, id);
  EXPECT_NE(second[0].uniqueId, first[0].uniqueId);
  EXPECT_TRUE(m_session.Log().empty());
}

TEST_F(SendListedFilesTest, OneTimeIsSentOnceThenShowsDontSend) {
  Add("once.txt", store::kActionOneTime).changed = 1;
  Sync();
  EXPECT_EQ(Records().size(), 1u);
  EXPECT_EQ(Entry(0).action, store::kActionDontSend);
  EXPECT_EQ(Entry(0).changed, 0);
  std::filesystem::remove(m_session.Image().Folder() + "/VlmrFilesDB.pdb");
  Sync();
  EXPECT_TRUE(Records().empty());
}

TEST_F(SendListedFilesTest, IfChangedSendsOnlyWhenTheFileChangedByAMinuteOrMore) {
  FileListEntry& entry = Add("report.txt", store::kActionIfChanged);
  const std::string path = entry.path;
  Sync();  // no copy on the handheld yet
  ASSERT_EQ(Records().size(), 1u);
  const uint32_t firstRecord = Records()[0].uniqueId;

  vlmtest::SetModifiedTime(path, kLongAgo + 59);  // same minute
  Sync();
  EXPECT_EQ(Records()[0].uniqueId, firstRecord);

  vlmtest::SetModifiedTime(path, kLongAgo + 60);
  Sync();
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_NE(Records()[0].uniqueId, firstRecord);
  EXPECT_EQ(Entry(0).modified, store::HandheldDateTime::FromPcTime(kLongAgo + 60, false));
}

TEST_F(SendListedFilesTest, IfChangedSendsWhenChangedOnThePc) {
  Add("report.txt", store::kActionIfChanged);
  Sync();
  const uint32_t firstRecord = Records()[0].uniqueId;
  Entry(0).changed = 1;
  Sync();
  EXPECT_NE(Records()[0].uniqueId, firstRecord);
  EXPECT_EQ(Entry(0).changed, 0);
}

TEST_F(SendListedFilesTest, DontSendAndOtherUsersEntriesStayOffTheHandheld) {
  Add("never.txt", store::kActionDontSend);
  Add("bob.txt", store::kActionAlways, "Bob");
  Add("lower.txt", store::kActionAlways, "ada");
  Add("all-lower.txt", store::kActionAlways, "all");
  Add("everyone.txt", store::kActionAlways, "All");
  Sync();
  std::vector<platform::pdb::PalmRecord> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(platform::GetU16Be(records[0].data, 0), Entry(4).id);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(Entry(i).lastSent.IsSet()) << i;
}

TEST_F(SendListedFilesTest, CopyEditedOnTheHandheldStaysAndTheFileComesUnderANewId) {
  Add("shared.txt", store::kActionAlways);
  Sync();
  const uint16_t oldId = Entry(0).id;
  EditOnHandheld();
  Sync();
  EXPECT_NE(Entry(0).id, oldId);
  EXPECT_EQ(RecordFileIds(), (std::vector<uint16_t>{oldId, Entry(0).id}));
}

TEST_F(SendListedFilesTest, EntryOfADeletedFileIsSkippedUnchanged) {
  Add("gone.txt", store::kActionAlways).changed = 1;
  std::filesystem::remove(Entry(0).path);
  const auto before = Entry(0).Encode();
  Sync();
  EXPECT_EQ(Entry(0).Encode(), before);
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(m_session.Log(),
            (std::vector<LogLine>{{"Couldn't send gone.txt: it was not found", 22}}));
}

TEST_F(SendListedFilesTest, PrivateEntryIsSecretAndCategoryIsKept) {
  FileListEntry& entry = Add("diary.txt", store::kActionAlways);
  entry.isPrivate = 1;
  entry.category = 3;
  Add("plain.txt", store::kActionAlways).category = 99;  // damaged: goes to Unfiled
  Sync();
  std::vector<platform::pdb::PalmRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records[0].IsSecret());
  EXPECT_EQ(records[0].Category(), 3);
  EXPECT_FALSE(records[1].IsSecret());
  EXPECT_EQ(records[1].Category(), 0);
}

TEST_F(SendListedFilesTest, FormatChoosesPcFormatOrConversion) {
  Add("pc.txt", store::kActionAlways).format = store::kFormatPc;
  Add("converted.txt", store::kActionAlways).format = store::kFormatHandheld;
  Sync();
  std::vector<platform::pdb::PalmRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].data[records::file_record::kContentKindOffset], records::kContentPcFormat);
  EXPECT_EQ(records[1].data[records::file_record::kContentKindOffset], records::kContentText);
}

TEST_F(SendListedFilesTest, ModifiedStampIsRefreshedForEveryPcFileWithItsSecondKept) {
  Add("bob.txt", store::kActionDontSend, "Bob").modified.bytes[6] = 42;
  FileListEntry received;
  received.kind = store::kReceivedFile;
  received.path = Entry(0).path;
  received.action = store::kActionReceived;
  m_store.Append(received);
  Sync();
  auto expected = store::HandheldDateTime::FromPcTime(kLongAgo, false);
  expected.bytes[6] = 42;
  EXPECT_EQ(Entry(0).modified.bytes, expected.bytes);
  EXPECT_FALSE(Entry(1).modified.IsSet());  // received entries are not touched
}

TEST_F(SendListedFilesTest, EntryWithIdZeroNeverReplacesAFetchedFile) {
  // A fetched file on the handheld carries file ID 0.
  m_session.PutFilesDatabase({{0, 7, std::vector<uint8_t>(records::file_record::kIndexHeadSize, 0)}});
  Add("zero.txt", store::kActionAlways).id = 0;
  Sync();
  EXPECT_NE(Entry(0).id, 0);
  EXPECT_EQ(RecordFileIds(), (std::vector<uint16_t>{0, Entry(0).id}));
}

TEST_F(SendListedFilesTest, NewIdsClashWithNoOtherEntryOrRecord) {
  for (int i = 0; i < 50; ++i) Add("f" + std::to_string(i) + ".txt", store::kActionAlways);
  Sync();
  std::vector<uint16_t> ids = RecordFileIds();
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_EQ(ids.size(), 50u);
}

TEST_F(SendListedFilesTest, FailedWriteKeepsTheEntryAndTheEarlierCopy) {
  Add("a.txt", store::kActionOneTime);
  Add("b.txt", store::kActionAlways);
  Sync();
  Entry(0).action = store::kActionOneTime;
  Entry(0).changed = 1;
  const auto entryBefore = Entry(0).Encode();
  const auto recordsBefore = Records();
  Sync("SyncWriteRec");
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"Couldn't write to Files database", 22}}));
  EXPECT_EQ(Entry(0).Encode(), entryBefore);
  EXPECT_EQ(Records(), recordsBefore);
}

TEST_F(SendListedFilesTest, FileThatCannotBeReadKeepsTheEarlierCopy) {
  Add("doc.txt", store::kActionAlways);
  Sync();
  const auto recordsBefore = Records();
  // The path now names a folder: it exists, but no record can be built.
  const std::string path = Entry(0).path;
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  const auto entryLastSent = Entry(0).lastSent;
  Sync();
  EXPECT_EQ(Records(), recordsBefore);
  EXPECT_EQ(Entry(0).lastSent, entryLastSent);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"Couldn't send doc.txt: it is a folder", 22}}));
}

TEST_F(SendListedFilesTest, FilesDatabaseThatCannotBeOpenedSendsNothing) {
  Add("a.txt", store::kActionAlways);
  Sync("SyncOpenDB");
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"Couldn't open the Files database", 22}}));
  EXPECT_FALSE(Entry(0).lastSent.IsSet());
}

TEST_F(SendListedFilesTest, FailedCloseLeavesTheEntryUnsentAndFails) {
  Add("a.txt", store::kActionOneTime).changed = 1;
  EXPECT_EQ(Sync("SyncCloseDB"), kSyncErrInjected);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"SyncCloseDB failed", 22}}));
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(Entry(0).action, store::kActionOneTime);
  EXPECT_EQ(Entry(0).changed, 1);
  EXPECT_FALSE(Entry(0).lastSent.IsSet());
}

TEST_F(SendListedFilesTest, NewIdsAreSavedBeforeTheCommitAndTakenBackWhenTheSaveFails) {
  Add("shared.txt", store::kActionAlways);
  Sync();
  const uint16_t oldId = Entry(0).id;
  const auto sentBefore = Entry(0).lastSent;
  EditOnHandheld();  // the next copy needs a new ID

  m_saveResult = 0x4F03;
  EXPECT_EQ(Sync(), 0x4F03);
  EXPECT_EQ(RecordFileIds(), (std::vector<uint16_t>{oldId})) << "no copy the list cannot name";
  EXPECT_EQ(Entry(0).id, oldId);

  m_saveResult = 0;
  EXPECT_EQ(Sync(), 0);
  ASSERT_EQ(m_savedBeforeCommit.size(), 1u);
  EXPECT_NE(m_savedBeforeCommit[0].id, oldId);
  EXPECT_EQ(m_savedBeforeCommit[0].id, Entry(0).id);
  EXPECT_EQ(m_savedBeforeCommit[0].lastSent, sentBefore) << "stamps wait for the commit";
  EXPECT_EQ(RecordFileIds(), (std::vector<uint16_t>{oldId, Entry(0).id}));
}

TEST_F(SendListedFilesTest, EntryKeepsItsOwnIdWhenFreeButNeverSharesAnother) {
  Add("own.txt", store::kActionAlways, "All");
  Add("twin1.txt", store::kActionAlways).id = 500;
  Add("twin2.txt", store::kActionAlways).id = 500;
  Sync();
  // Another user's handheld got this entry under its ID: here it keeps it,
  // so each handheld's copy is replaced later instead of left behind.
  EXPECT_EQ(Entry(0).id, 100);
  EXPECT_NE(Entry(1).id, 500);
  EXPECT_NE(Entry(2).id, 500);
  EXPECT_NE(Entry(1).id, Entry(2).id);
  EXPECT_EQ(RecordFileIds(), (std::vector<uint16_t>{100, Entry(1).id, Entry(2).id}));
}

struct SendTestCase : vlmtest::NamedRow {
  const char* user;
  uint16_t action;
  uint16_t changed;
  bool hasCopy;
  int copyMinutesOlder;  // the copy's stamp against the entry's
  bool expected;
};

class ShouldSendTest : public testing::TestWithParam<SendTestCase> {};

TEST_P(ShouldSendTest, FollowsUserActionAndStamps) {
  const SendTestCase& c = GetParam();
  FileListEntry entry;
  entry.user = c.user;
  entry.action = c.action;
  entry.changed = c.changed;
  entry.modified = store::HandheldDateTime::FromPcTime(kLongAgo, false);
  std::vector<uint8_t> record(records::file_record::kIndexHeadSize, 0);
  auto copyStamp = store::HandheldDateTime::FromPcTime(kLongAgo - 60 * c.copyMinutesOlder, false);
  std::copy(copyStamp.bytes.begin(), copyStamp.bytes.end(),
            record.begin() + records::file_record::kModifiedOffset);
  auto copy = HandheldFileIndex::Element::FromRecord(record, 1, 0);
  EXPECT_EQ(ShouldSend(entry, "Ada", c.hasCopy ? &copy : nullptr), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShouldSendTest,
    testing::Values(
        SendTestCase{"Always", "Ada", store::kActionAlways, 0, true, 0, true},
        SendTestCase{"AllUsers", "All", store::kActionAlways, 0, true, 0, true},
        SendTestCase{"OtherUser", "Bob", store::kActionAlways, 0, true, 0, false},
        SendTestCase{"UserCaseCounts", "ADA", store::kActionAlways, 0, true, 0, false},
        SendTestCase{"OneTime", "Ada", store::kActionOneTime, 0, true, 0, true},
        SendTestCase{"DontSend", "Ada", store::kActionDontSend, 1, false, 0, false},
        SendTestCase{"UnknownAction", "Ada", 7, 1, false, 0, false},
        SendTestCase{"IfChangedSameStamp", "Ada", store::kActionIfChanged, 0, true, 0, false},
        SendTestCase{"IfChangedNewer", "Ada", store::kActionIfChanged, 0, true, 1, true},
        SendTestCase{"IfChangedCopyNewer", "Ada", store::kActionIfChanged, 0, true, -1, false},
        SendTestCase{"IfChangedFlag", "Ada", store::kActionIfChanged, 1, true, -1, true},
        SendTestCase{"IfChangedNoCopy", "Ada", store::kActionIfChanged, 0, false, 0, true}),
    vlmtest::RowName());

}  // namespace
}  // namespace conduit::transfer
