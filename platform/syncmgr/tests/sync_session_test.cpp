// The Sync Manager's session calls: the HotSync outside and inside a
// session, registration, the user, preferences, injected failures and the
// HotSync log.
#include <memory>
#include <regex>

#include "sync_fixture.h"
#include "syncmgr/sync_backend_session.h"
#include "testing/scoped_env.h"

namespace syncmgr_test {
namespace {

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

TEST_F(SyncSession, AHotSyncBegunOnAGivenHandheldWorksOnItLikeAnyOther) {
  using platform::syncmgr::BeginSessionOn;
  using platform::syncmgr::MakeImageBackend;
  EXPECT_EQ(BeginSessionOn(nullptr, nullptr), kSyncErrBadArgument);
  EXPECT_EQ(MakeImageBackend(ImageDir() + "/missing"), nullptr);
  InstallNotes();
  {
    const vlmtest::ScopedEnv failures("SYNCMGR_FAIL", "SyncGetDBRecordCount=0x4001");
    ASSERT_EQ(BeginSessionOn(MakeImageBackend(ImageDir()), LogPath().c_str()), 0);
  }
  EXPECT_EQ(BeginSessionOn(MakeImageBackend(ImageDir()), nullptr), kSyncErrAlreadyRegistered);
  EXPECT_EQ(SyncSessionBegin(ImageDir().c_str(), nullptr), kSyncErrAlreadyRegistered);
  const uint8_t handle = Open("FixtureNotesDB", 0xD0);
  uint16_t count = 0;
  EXPECT_EQ(SyncGetDBRecordCount(handle, &count), 0x4001);
  ASSERT_EQ(WriteText(handle, "left open"), 0);
  ASSERT_EQ(LogAddEntry("on the given handheld", kSyncLogText, 0), 0);
  // The end closes what the conduit left open on that handheld.
  SyncSessionEnd();
  EXPECT_EQ(Load("FixtureNotesDB").records.size(), 6u);
  EXPECT_TRUE(platform::GetFileStatus(LogPath()).has_value());
  Begin();  // and a HotSync on an image folder can follow
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
}  // namespace syncmgr_test
