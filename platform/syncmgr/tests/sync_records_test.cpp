// The Sync Manager's database and record calls: open modes, secret
// records, unique IDs, the category walk, purges and write-back.
#include <set>

#include "sync_fixture.h"

namespace syncmgr_test {
namespace {

TEST_F(SyncSession, OpensOnlyDatabasesThatExistAndAreWhole) {
  std::ofstream(ImageFile("Broken.pdb"), std::ios::binary) << "not a database";
  Begin();
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("VlmrFilesDB", 0, &handle, 0xD0), kSyncErrNotFound);
  EXPECT_EQ(SyncOpenDB("Broken", 0, &handle, 0xD0), kSyncErrDamaged);
  const auto bytes = FileBytes("Broken.pdb");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not a database");
  InstallNotes();
  EXPECT_EQ(SyncOpenDB("FixtureNotesDB", 1, &handle, 0xD0), kSyncErrNotFound);
  EXPECT_EQ(SyncCloseDB(9), kSyncErrBadHandle);
}

TEST_F(SyncSession, CreatesADatabaseOnceAndOpenForWriting) {
  Begin();
  CDbCreateDB create{};
  create.m_Creator = FourCC("Vlmr");
  create.m_Type = FourCC("File");
  create.m_Version = 0;
  std::strcpy(create.m_Name, "VlmrFilesDB");
  ASSERT_EQ(SyncCreateDB(&create), 0);
  EXPECT_NE(create.m_FileHandle, 0);
  // On the handheld at once, before it is closed.
  PalmDatabase created = Load("VlmrFilesDB");
  EXPECT_EQ(created.creator, FourCC("Vlmr"));
  EXPECT_EQ(created.type, FourCC("File"));
  EXPECT_FALSE(created.IsResourceDatabase());
  EXPECT_NE(created.created, 0);
  EXPECT_EQ(WriteText(create.m_FileHandle, "hello"), 0);
  CDbCreateDB again = create;
  EXPECT_EQ(SyncCreateDB(&again), kSyncErrExists);
  EXPECT_EQ(SyncCloseDB(create.m_FileHandle), 0);
  EXPECT_EQ(Load("VlmrFilesDB").records.size(), 1u);
  EXPECT_EQ(SyncCreateDB(&again), kSyncErrExists);
}

TEST_F(SyncSession, AHandleOpenedForReadingCannotWrite) {
  InstallNotes();
  const auto before = FileBytes("FixtureNotesDB.pdb");
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", kDbRead | kDbShowSecret);
  CRawRecordInfo remove{};
  remove.m_FileHandle = handle;
  remove.m_RecId = 0xB00001;
  uint8_t block[4] = {1, 2, 3, 4};
  CDbGenInfo info{};
  info.m_TotalBytes = sizeof block;
  info.m_pBytes = block;
  EXPECT_EQ(WriteText(handle, "x"), kSyncErrReadOnly);
  EXPECT_EQ(SyncDeleteRec(&remove), kSyncErrReadOnly);
  EXPECT_EQ(SyncWriteDBAppInfoBlock(handle, &info), kSyncErrReadOnly);
  EXPECT_EQ(SyncPurgeDeletedRecs(handle), kSyncErrReadOnly);
  EXPECT_EQ(SyncPurgeAllRecs(handle), kSyncErrReadOnly);
  EXPECT_EQ(SyncCloseDB(handle), 0);
  EXPECT_EQ(FileBytes("FixtureNotesDB.pdb"), before);
}

TEST_F(SyncSession, HidesSecretRecordsUnlessTheModeShowsThem) {
  InstallNotes();
  Begin();
  const uint8_t hiding = Open("FixtureNotesDB", kDbRead);
  const uint8_t showing = Open("FixtureNotesDB", kDbRead | kDbShowSecret);
  uint16_t count = 0;
  ASSERT_EQ(SyncGetDBRecordCount(hiding, &count), 0);
  EXPECT_EQ(count, 5);  // every record counts, as on the handheld
  RecordBuffer hidden(hiding);
  hidden.info.m_RecIndex = 2;
  EXPECT_EQ(SyncReadRecordByIndex(&hidden.info), kSyncErrNoRecord);
  RecordBuffer shown(showing);
  shown.info.m_RecIndex = 2;
  ASSERT_EQ(SyncReadRecordByIndex(&shown.info), 0);
  EXPECT_EQ(shown.Text(), "third record, category 3, secret");
  EXPECT_EQ(shown.info.m_Attribs, kRecAttrSecret);
  EXPECT_EQ(shown.info.m_CatId, 3);
}

TEST_F(SyncSession, ReadsByIndexIntoTheCallersBuffer) {
  InstallNotes();
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", 0x90);
  RecordBuffer small(handle, 6);
  small.info.m_RecIndex = 1;
  ASSERT_EQ(SyncReadRecordByIndex(&small.info), 0);
  EXPECT_EQ(small.Text(), "second");  // cut to the buffer
  EXPECT_EQ(small.info.m_RecId, 0xB00002u);
  EXPECT_EQ(small.info.m_Attribs, kRecAttrDirty);
  EXPECT_EQ(small.info.m_CatId, 3);
  RecordBuffer deleted(handle);
  deleted.info.m_RecIndex = 4;
  ASSERT_EQ(SyncReadRecordByIndex(&deleted.info), 0);
  EXPECT_EQ(deleted.info.m_Attribs, kRecAttrDeleted | kRecAttrArchived);
  deleted.info.m_RecIndex = 5;
  EXPECT_EQ(SyncReadRecordByIndex(&deleted.info), kSyncErrNoRecord);
  RecordBuffer noBuffer(handle, 4);
  noBuffer.info.m_pBytes = nullptr;
  EXPECT_EQ(SyncReadRecordByIndex(&noBuffer.info), kSyncErrBadArgument);
}

TEST_F(SyncSession, GivesNewRecordsUniqueIdsFromTheSeed) {
  InstallNotes();  // seed 0xB00010, records 0xB00001..0xB00005
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", 0xD0);
  uint32_t first = 0, second = 0, kept = 0;
  ASSERT_EQ(WriteText(handle, "new", 0, kRecAttrDeleted | kRecAttrBusy | kRecAttrSecret | 0x0F,
                      0x27, &first),
            0);
  ASSERT_EQ(WriteText(handle, "newer", 0, 0, 1, &second), 0);
  ASSERT_EQ(WriteText(handle, "chosen", 0x000123, 0, 0, &kept), 0);
  EXPECT_EQ(first, 0xB00011u);
  EXPECT_EQ(second, 0xB00012u);
  EXPECT_EQ(kept, 0x000123u);
  // An existing ID replaces that record in place.
  ASSERT_EQ(WriteText(handle, "replaced", 0xB00001, kRecAttrDirty, 2), 0);
  EXPECT_EQ(WriteText(handle, "too big an ID", 0x01000000), kSyncErrBadArgument);
  ASSERT_EQ(SyncCloseDB(handle), 0);

  const PalmDatabase db = Load("FixtureNotesDB");
  ASSERT_EQ(db.records.size(), 8u);
  EXPECT_EQ(db.records[0], (PalmRecord{0x42, 0xB00001, {'r', 'e', 'p', 'l', 'a', 'c', 'e', 'd'}}));
  // Deleted and busy never come from the PC; the category is m_CatId's.
  EXPECT_EQ(db.records[5].attributes, kRecAttrSecret | 0x07);
  EXPECT_EQ(db.uniqueIdSeed, 0xB00012u);
  EXPECT_EQ(db.modificationNumber, 43u);
}

TEST_F(SyncSession, DeletesRecordsById) {
  InstallNotes();
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", 0xD0);
  CRawRecordInfo remove{};
  remove.m_FileHandle = handle;
  remove.m_RecId = 0xB00002;
  ASSERT_EQ(SyncDeleteRec(&remove), 0);
  EXPECT_EQ(SyncDeleteRec(&remove), kSyncErrNoRecord);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  const PalmDatabase db = Load("FixtureNotesDB");
  ASSERT_EQ(db.records.size(), 4u);
  EXPECT_FALSE(db.FindRecord(0xB00002).has_value());
}

TEST_F(SyncSession, WritesBackOnlyWhenClosedOrAtTheEnd) {
  InstallNotes();
  const auto before = FileBytes("FixtureNotesDB.pdb");
  Begin();
  const uint8_t first = Open("FixtureNotesDB", 0xD0);
  const uint8_t second = Open("FixtureNotesDB", 0x90);
  ASSERT_EQ(WriteText(first, "pending"), 0);
  EXPECT_EQ(FileBytes("FixtureNotesDB.pdb"), before);
  // Handles on one database share its records.
  uint16_t count = 0;
  ASSERT_EQ(SyncGetDBRecordCount(second, &count), 0);
  EXPECT_EQ(count, 6);
  ASSERT_EQ(SyncCloseDB(first), 0);
  EXPECT_EQ(Load("FixtureNotesDB").records.size(), 6u);

  ASSERT_EQ(WriteText(Open("FixtureNotesDB", 0xD0), "left open"), 0);
  EXPECT_EQ(Load("FixtureNotesDB").records.size(), 6u);
  SyncSessionEnd();
  EXPECT_EQ(Load("FixtureNotesDB").records.size(), 7u);
  // A database that was only read is not rewritten.
  const auto settled = FileBytes("FixtureNotesDB.pdb");
  Begin();
  ASSERT_EQ(SyncCloseDB(Open("FixtureNotesDB", 0xD0)), 0);
  EXPECT_EQ(FileBytes("FixtureNotesDB.pdb"), settled);
}

TEST_F(SyncSession, ReadsAndWritesTheApplicationInfoBlock) {
  InstallNotes();
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", 0xD0);
  uint8_t buffer[736] = {};
  CDbGenInfo info{};
  info.m_TotalBytes = 7;
  info.m_pBytes = buffer;
  ASSERT_EQ(SyncReadDBAppInfoBlock(handle, &info), 0);
  EXPECT_EQ(info.m_BytesRead, 7);
  EXPECT_EQ(std::string(buffer, buffer + 8), std::string("AppInfo\0", 8));
  std::memset(buffer, 0xAB, sizeof buffer);
  info.m_TotalBytes = sizeof buffer;
  ASSERT_EQ(SyncWriteDBAppInfoBlock(handle, &info), 0);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  EXPECT_EQ(Load("FixtureNotesDB").appInfo, std::vector<uint8_t>(736, 0xAB));

  CDbCreateDB create{};
  std::strcpy(create.m_Name, "NoBlock");
  ASSERT_EQ(SyncCreateDB(&create), 0);
  EXPECT_EQ(SyncReadDBAppInfoBlock(create.m_FileHandle, &info), kSyncErrNoAppInfo);
}

TEST_F(SyncSession, PurgesDeletedOrAllRecords) {
  InstallNotes();
  PalmDatabase db = Load("FixtureNotesDB");
  db.records.push_back({kRecAttrBusy | kRecAttrArchived, 0x77, {}});  // archived while busy
  db.records.push_back({kRecAttrDirty | 8, 0x78, {}});                // category 8, kept
  ASSERT_EQ(Image().SaveDatabase(db), platform::pdb::ImageError::kNone);
  Begin();
  const uint8_t handle = Open("FixtureNotesDB", 0xD0);
  ASSERT_EQ(SyncPurgeDeletedRecs(handle), 0);
  ASSERT_EQ(SyncCloseDB(handle), 0);
  db = Load("FixtureNotesDB");
  ASSERT_EQ(db.records.size(), 5u);
  EXPECT_FALSE(db.FindRecord(0xB00005).has_value());
  EXPECT_FALSE(db.FindRecord(0x77).has_value());
  EXPECT_TRUE(db.FindRecord(0x78).has_value());

  const uint8_t again = Open("FixtureNotesDB", 0xD0);
  ASSERT_EQ(SyncPurgeAllRecs(again), 0);
  ASSERT_EQ(SyncCloseDB(again), 0);
  db = Load("FixtureNotesDB");
  EXPECT_TRUE(db.records.empty());
  EXPECT_FALSE(db.appInfo.empty());
}

std::vector<std::string> WalkCategory(uint8_t handle, int16_t category) {
  EXPECT_EQ(SyncResetRecordIndex(handle), 0);
  std::vector<std::string> texts;
  RecordBuffer next(handle);
  next.info.m_CatId = category;
  while (SyncReadNextRecInCategory(&next.info) == 0) {
    texts.push_back(next.Text());
    next.info.m_CatId = category;
  }
  return texts;
}

TEST_F(SyncSession, WalksACategoryInIndexOrder) {
  InstallNotes();
  Begin();
  const uint8_t showing = Open("FixtureNotesDB", 0x90);
  const uint8_t hiding = Open("FixtureNotesDB", kDbRead);
  ASSERT_EQ(WriteText(Open("FixtureNotesDB", 0xD0), "fourth in 3", 0, 0, 3), 0);
  using Texts = std::vector<std::string>;
  EXPECT_EQ(WalkCategory(showing, 3), (Texts{"second record, category 3, dirty",
                                             "third record, category 3, secret", "fourth in 3"}));
  EXPECT_EQ(WalkCategory(hiding, 3), (Texts{"second record, category 3, dirty", "fourth in 3"}));
  EXPECT_EQ(WalkCategory(showing, 5), (Texts{""}));
  EXPECT_EQ(WalkCategory(showing, 8), Texts{});  // the deleted record's low bits
  EXPECT_EQ(WalkCategory(showing, 9), Texts{});
  EXPECT_EQ(WalkCategory(showing, 300), Texts{});
  // The walk goes on from where it stopped until it is reset.
  RecordBuffer next(showing);
  next.info.m_CatId = 0;
  ASSERT_EQ(SyncResetRecordIndex(showing), 0);
  ASSERT_EQ(SyncReadNextRecInCategory(&next.info), 0);
  EXPECT_EQ(next.info.m_RecIndex, 0);
  next.info.m_CatId = 3;
  ASSERT_EQ(SyncReadNextRecInCategory(&next.info), 0);
  EXPECT_EQ(next.info.m_RecIndex, 1);
  next.info.m_CatId = 0;
  EXPECT_EQ(SyncReadNextRecInCategory(&next.info), kSyncErrNoRecord);
}

TEST_F(SyncSession, RunsOutOfHandlesCleanly) {
  InstallNotes();
  Begin();
  std::vector<uint8_t> handles;
  uint8_t handle = 0;
  int32_t result = 0;
  while ((result = SyncOpenDB("FixtureNotesDB", 0, &handle, 0x90)) == 0) {
    handles.push_back(handle);
    ASSERT_LT(handles.size(), 256u);
  }
  EXPECT_EQ(result, kSyncErrTooManyOpen);
  EXPECT_EQ(std::set<uint8_t>(handles.begin(), handles.end()).size(), handles.size());
  EXPECT_EQ(std::count(handles.begin(), handles.end(), 0), 0);
  ASSERT_EQ(SyncCloseDB(handles.back()), 0);
  EXPECT_EQ(SyncOpenDB("FixtureNotesDB", 0, &handle, 0x90), 0);
}

}  // namespace
}  // namespace syncmgr_test
