// The Sync Manager calls on real handheld images in temporary folders:
// open modes, secret records, record IDs, the category walk, purges,
// preferences, write-back, the log and injected failures.
#include "syncmgr/syncmgr.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "fs/fs.h"
#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"

namespace {

using platform::pdb::FourCC;
using platform::pdb::PalmDatabase;
using platform::pdb::PalmRecord;

const std::string kNotesFixture =
    std::string(VELLAMORE_SOURCE_DIR) + "/platform/pdb/tests/data/FixtureNotesDB.pdb";

class SyncSession : public ::testing::Test {
 protected:
  SyncSession() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm-sync-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    std::filesystem::create_directory(ImageDir());
  }
  ~SyncSession() override {
    SyncSessionEnd();
    SyncInjectFailure(nullptr, 0);
    std::filesystem::remove_all(m_root);
  }

  std::string ImageDir() const { return m_root + "/image"; }
  std::string LogPath() const { return m_root + "/logs/user/HotSync.log"; }
  std::string ImageFile(const std::string& name) const { return ImageDir() + "/" + name; }
  platform::pdb::HandheldImage Image() const { return platform::pdb::HandheldImage(ImageDir()); }

  void Begin() { ASSERT_EQ(SyncSessionBegin(ImageDir().c_str(), LogPath().c_str()), 0); }
  void InstallNotes() {
    ASSERT_EQ(Image().InstallFile(kNotesFixture), platform::pdb::ImageError::kNone);
  }
  PalmDatabase Load(const std::string& name) const {
    PalmDatabase db;
    EXPECT_EQ(Image().LoadDatabase(name, &db), platform::pdb::ImageError::kNone) << name;
    return db;
  }
  std::vector<uint8_t> FileBytes(const std::string& name) const {
    return platform::ReadWholeFile(ImageFile(name)).value_or(std::vector<uint8_t>());
  }
  uint8_t Open(const char* name, uint8_t mode) {
    uint8_t handle = 0;
    EXPECT_EQ(SyncOpenDB(name, 0, &handle, mode), 0) << name;
    return handle;
  }

  std::string m_root;
};

// A record request with a buffer of `size` bytes.
struct RecordBuffer {
  explicit RecordBuffer(uint8_t handle, uint16_t size = 256) : bytes(size) {
    info.m_FileHandle = handle;
    info.m_TotalBytes = size;
    info.m_pBytes = bytes.data();
  }
  std::string Text() const {
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(info.m_RecSize));
  }
  std::vector<uint8_t> bytes;
  CRawRecordInfo info{};
};

int32_t WriteText(uint8_t handle, const std::string& text, uint32_t id = 0, uint8_t attributes = 0,
                  int16_t category = 0, uint32_t* newId = nullptr) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  CRawRecordInfo info{};
  info.m_FileHandle = handle;
  info.m_RecId = id;
  info.m_Attribs = attributes;
  info.m_CatId = category;
  info.m_RecSize = static_cast<uint32_t>(bytes.size());
  info.m_pBytes = bytes.data();
  const int32_t result = SyncWriteRec(&info);
  if (newId != nullptr) *newId = info.m_RecId;
  return result;
}

TEST(SyncOutsideSession, EveryCallRefusesWithoutAHotSync) {
  CONDHANDLE conduit = 0;
  uint8_t handle = 0;
  CUserIDInfo user{};
  CRawPreferenceInfo preference{};
  EXPECT_EQ(SyncRegisterConduit(&conduit), kSyncErrNoSession);
  EXPECT_EQ(SyncReadUserID(&user), kSyncErrNoSession);
  EXPECT_EQ(SyncOpenDB("VlmrFilesDB", 0, &handle, 0xD0), kSyncErrNoSession);
  EXPECT_EQ(SyncCloseDB(1), kSyncErrNoSession);
  EXPECT_EQ(SyncReadAppPreference(&preference), kSyncErrNoSession);
  EXPECT_EQ(SyncYieldCycles(1), 0);
  EXPECT_EQ(SyncSessionBegin(nullptr, nullptr), kSyncErrBadArgument);
  EXPECT_EQ(SyncSessionBegin("/nonexistent/vellamore/image", nullptr), kSyncErrIo);
}

TEST_F(SyncSession, RegistersOneConduitAtATime) {
  Begin();
  EXPECT_EQ(SyncSessionBegin(ImageDir().c_str(), nullptr), kSyncErrAlreadyRegistered);
  CONDHANDLE conduit = 0;
  ASSERT_EQ(SyncRegisterConduit(&conduit), 0);
  EXPECT_NE(conduit, 0u);
  CONDHANDLE second = 0;
  EXPECT_EQ(SyncRegisterConduit(&second), kSyncErrAlreadyRegistered);
  EXPECT_EQ(SyncUnRegisterConduit(conduit + 1), kSyncErrNoSession);
  EXPECT_EQ(SyncUnRegisterConduit(conduit), 0);
  EXPECT_EQ(SyncRegisterConduit(&second), 0);
  EXPECT_NE(second, 0u);
}

TEST_F(SyncSession, ReadsTheUserFromTheIdentityFile) {
  ASSERT_TRUE(Image().WriteUserName("Ada Lovelace"));
  Begin();
  CUserIDInfo user;
  std::memset(&user, 0x55, sizeof user);
  ASSERT_EQ(SyncReadUserID(&user), 0);
  EXPECT_EQ(user.m_NameLength, 12);
  EXPECT_STREQ(user.m_pName, "Ada Lovelace");
  EXPECT_EQ(user.m_UserId, 0u);
}

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

CRawPreferenceInfo Preference(uint8_t* buffer, int32_t size, bool saved) {
  CRawPreferenceInfo preference{};
  preference.m_version = 1;
  preference.m_creator = FourCC("Vlmr");
  preference.m_prefId = 0;
  preference.m_reqBytes = static_cast<uint16_t>(size);
  preference.m_backedUp = saved ? 1 : 0;
  preference.m_nBufSize = size;
  preference.m_pBuffer = buffer;
  return preference;
}

TEST_F(SyncSession, KeepsPreferencesInThePreferencesDatabases) {
  Begin();
  uint8_t request[18] = {11, 0xFF};
  request[16] = 2;
  CRawPreferenceInfo write = Preference(request, sizeof request, true);
  ASSERT_EQ(SyncWriteAppPreference(&write), 0);

  const auto file = platform::pdb::ParsePalmDatabase(FileBytes("Saved Preferences.prc"));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->type, FourCC("sprf"));
  EXPECT_EQ(file->creator, FourCC("psys"));
  ASSERT_EQ(file->resources.size(), 1u);
  EXPECT_EQ(file->resources[0].type, FourCC("Vlmr"));
  EXPECT_EQ(file->resources[0].id, 0);
  std::vector<uint8_t> expected = {0x00, 0x01};
  expected.insert(expected.end(), request, request + sizeof request);
  EXPECT_EQ(file->resources[0].data, expected);

  uint8_t read[18] = {};
  CRawPreferenceInfo part = Preference(read, sizeof read, true);
  part.m_version = 0;
  part.m_reqBytes = 2;
  ASSERT_EQ(SyncReadAppPreference(&part), 0);
  EXPECT_EQ(part.m_retBytes, 2);
  EXPECT_EQ(part.m_actSize, 18);
  EXPECT_EQ(part.m_version, 1);
  EXPECT_EQ(read[0], 11);
  EXPECT_EQ(read[1], 0xFF);
  EXPECT_EQ(read[2], 0);

  CRawPreferenceInfo unsaved = Preference(read, sizeof read, false);
  EXPECT_EQ(SyncReadAppPreference(&unsaved), kSyncErrNoPreference);
  std::ofstream(ImageFile("Saved Preferences.prc"), std::ios::binary) << "damaged";
  EXPECT_EQ(SyncReadAppPreference(&part), kSyncErrDamaged);
  EXPECT_EQ(SyncWriteAppPreference(&write), kSyncErrDamaged);
}

TEST_F(SyncSession, InjectsFailuresNamedInTheEnvironment) {
  ASSERT_EQ(setenv("SYNCMGR_FAIL", "SyncRegisterConduit, SyncWriteAppPreference=0x4001", 1), 0);
  Begin();
  unsetenv("SYNCMGR_FAIL");
  CONDHANDLE conduit = 0;
  EXPECT_EQ(SyncRegisterConduit(&conduit), kSyncErrInjected);
  EXPECT_EQ(conduit, 0u);
  uint8_t buffer[18] = {};
  CRawPreferenceInfo write = Preference(buffer, sizeof buffer, true);
  EXPECT_EQ(SyncWriteAppPreference(&write), 0x4001);
  EXPECT_FALSE(platform::GetFileStatus(ImageFile("Saved Preferences.prc")).has_value());
  SyncInjectFailure("SyncReadAppPreference", 0);
  EXPECT_EQ(SyncReadAppPreference(&write), kSyncErrInjected);
  SyncSessionEnd();
  // Injected failures last one HotSync.
  Begin();
  EXPECT_EQ(SyncRegisterConduit(&conduit), 0);
  EXPECT_EQ(SyncWriteAppPreference(&write), 0);
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

TEST_F(SyncSession, LogsToMemoryAndAppendsLinesToTheLogFile) {
  Begin();
  ASSERT_EQ(LogAddEntry("", kSyncLogStart, 0), 0);
  ASSERT_EQ(LogAddEntry("two\nlines\r\nand a tab\there", kSyncLogWarning, 0), 0);
  ASSERT_EQ(LogAddEntry("Vellamore", kSyncLogText, 0), 0);
  ASSERT_EQ(SyncLogEntryCount(), 3);
  char text[8];
  int32_t activity = 0;
  ASSERT_EQ(SyncLogEntry(1, text, sizeof text, &activity), 0);
  EXPECT_STREQ(text, "two\nlin");  // cut to the buffer
  EXPECT_EQ(activity, kSyncLogWarning);
  EXPECT_EQ(SyncLogEntry(3, text, sizeof text, &activity), kSyncErrNoRecord);

  std::ifstream log(LogPath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\t)");
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::regex_search(line, stamp, std::regex_constants::match_continuous)) << line;
  }
  EXPECT_EQ(lines[0].substr(20), "19\t");
  EXPECT_EQ(lines[1].substr(20), "22\ttwo\\nlines\\nand a tab\there");
  EXPECT_EQ(lines[2].substr(20), "-1\tVellamore");
  SyncSessionEnd();
  EXPECT_EQ(SyncLogEntryCount(), 3);  // the last HotSync's entries stay readable
}

}  // namespace
