// The synchronisation driver's request state machine, run on real handheld
// images through the Sync Manager, with scripted operations in place of the
// search, fetch, receive and send work.
#include "sync_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fs/fs.h"
#include "request_preference_buffer.h"
#include "syncmgr/syncmgr.h"
#include "testing/file_record.h"
#include "testing/handheld_session.h"
#include "testing/hotsync_session.h"
#include "testing/program_settings.h"
#include "testing/table.h"

namespace conduit {
namespace {

using vlmtest::LogLine;
namespace fs = std::filesystem;

// What the scripted operations answer.
struct Script {
  uint8_t searchStatus = 0;
  bool searchClearsStop = false;
  int32_t fetchResult = 0;
  int32_t receiveResult = 0;
  int32_t sendResult = 0;
  bool sendSavesNewIds = false;
};

class ScriptedOperations final : public SyncOperations {
 public:
  uint8_t Search(SyncContext&, bool& stopAfterSearch) override {
    calls.push_back(stopAfterSearch ? "Search(stop)" : "Search(go on)");
    if (script.searchClearsStop) stopAfterSearch = false;
    return script.searchStatus;
  }
  int32_t Fetch(SyncContext&, FetchMode mode) override {
    calls.push_back("Fetch " + std::to_string(static_cast<int>(mode)));
    return script.fetchResult;
  }
  int32_t Receive(SyncContext&, const SaveFileList&) override {
    calls.push_back("Receive");
    return script.receiveResult;
  }
  int32_t SendListedFiles(SyncContext& context, const SaveFileList& saveNewIds) override {
    calls.push_back("Send");
    imageModeAtSend = CurrentImageMode();
    hadDataDirectory = context.HasDataDirectory();
    entriesAtSend = context.fileList.Entries().size();
    indexAtSend = context.fileIndex.Size();
    if (onSend) onSend(context);
    if (script.sendSavesNewIds) saveNewIdsResult = saveNewIds();
    return saveNewIdsResult.value_or(script.sendResult);
  }

  Script script;
  std::vector<std::string> calls;
  uint8_t imageModeAtSend = 0;
  bool hadDataDirectory = false;
  size_t entriesAtSend = 0;
  size_t indexAtSend = 0;
  std::function<void(SyncContext&)> onSend;
  std::optional<int32_t> saveNewIdsResult;
};

constexpr uint16_t kOldVersion = 7;

// An 18-byte preference with the handheld's own bytes set to values the
// conduit must keep.
std::vector<uint8_t> Preference(uint8_t request, uint8_t status, uint8_t imageMode = 2) {
  std::vector<uint8_t> bytes(18);
  for (size_t i = 2; i < 18; ++i) bytes[i] = static_cast<uint8_t>(0xA0 + i);
  bytes[0] = request;
  bytes[1] = status;
  bytes[16] = imageMode;
  return bytes;
}

// A handheld image in a home of the test's own; the driver registers itself
// in each HotSync.
class SyncDriverTest : public ::testing::Test {
 protected:
  SyncDriverTest() {
    fs::create_directories(m_data);
    vlmtest::SetDataDirSetting(m_data);
  }

  int32_t Sync(int32_t syncType = kSyncTypeFast) {
    vlmtest::HotSyncSession session(m_image);
    EXPECT_TRUE(session.Ok());
    if (m_injectCall) SyncInjectFailure(m_injectCall, m_injectCode);
    const int32_t result = RunSynchronisation(syncType, m_operations);
    m_log = vlmtest::SessionLog();
    return result;
  }

  std::string StorePath() const { return m_data + "/Vellamore.dat"; }

  vlmtest::HandheldSession m_handheld{"Ada"};
  const std::string m_image = m_handheld.Image().Folder();
  const std::string m_data = m_handheld.Home().PathOf("data");
  ScriptedOperations m_operations;
  const char* m_injectCall = nullptr;
  int32_t m_injectCode = 0;
  std::vector<LogLine> m_log;
};

const LogLine kStart{"", 19};
const LogLine kEnd{"Vellamore", 20};
const LogLine kEndFailed{"Vellamore", 21};

// A pending request (status 0xFF), what the operations answer, and what the
// handheld and the caller are told.
struct RequestCase : vlmtest::NamedRow {
  uint8_t request;
  Script script;
  std::vector<std::string> calls;
  uint8_t requestAfter;
  uint8_t statusAfter;
  int32_t result;
};

class PendingRequests : public SyncDriverTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(PendingRequests, AreCarriedOutAndAnswered) {
  const RequestCase& c = GetParam();
  m_handheld.PutRequestPreference(Preference(c.request, 0xFF), kOldVersion);
  m_operations.script = c.script;

  EXPECT_EQ(Sync(), c.result);

  EXPECT_EQ(m_operations.calls, c.calls);
  std::optional<platform::pdb::AppPreference> written = m_handheld.RequestPreference();
  ASSERT_TRUE(written);
  EXPECT_EQ(written->version, 1) << "the conduit wrote the preference";
  std::vector<uint8_t> expected = Preference(c.requestAfter, c.statusAfter);
  EXPECT_EQ(written->data, expected) << "the handheld's own bytes are kept";
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, c.result == 0 ? kEnd : kEndFailed}));
  EXPECT_TRUE(fs::exists(StorePath())) << "the list is saved after a request, failed or not";
}

const std::vector<std::string> kSend = {"Send"};

INSTANTIATE_TEST_SUITE_P(
    Table, PendingRequests,
    ::testing::Values(
        RequestCase{"SearchListOnly", 1, {0, false}, {"Search(stop)", "Send"}, 2, 0, 0},
        RequestCase{"SearchPathMissing", 1, {4, false}, {"Search(stop)", "Send"}, 2, 4, 0},
        RequestCase{
            "SearchFailedDoesNotFailTheCall", 1, {1, false}, {"Search(stop)", "Send"}, 2, 1, 0},
        RequestCase{
            "SearchThenFetch", 1, {4, true, 0}, {"Search(stop)", "Fetch 0", "Send"}, 4, 0, 0},
        RequestCase{"SearchThenFailedFetch",
                    1,
                    {0, true, 0x4105},
                    {"Search(stop)", "Fetch 0", "Send"},
                    1,
                    1,
                    0x4105},
        RequestCase{"Fetch", 3, {}, {"Fetch 0", "Send"}, 4, 0, 0},
        RequestCase{"Fax", 5, {}, {"Fetch 3", "Send"}, 6, 0, 0},
        RequestCase{"Email", 7, {}, {"Fetch 2", "Send"}, 8, 0, 0},
        RequestCase{"PcFormat", 9, {}, {"Fetch 1", "Send"}, 10, 0, 0},
        RequestCase{"Receive", 11, {}, {"Receive", "Send"}, 12, 0, 0},
        RequestCase{"FailedFetch", 3, {0, false, 0x4003}, {"Fetch 0", "Send"}, 3, 1, 0x4003},
        RequestCase{"FailedFax", 5, {0, false, -7}, {"Fetch 3", "Send"}, 5, 1, -7},
        RequestCase{
            "FailedReceive", 11, {0, false, 0, 0x4F01}, {"Receive", "Send"}, 11, 1, 0x4F01}),
    vlmtest::RowName());

// A preference that asks for nothing: only the listed files are sent and the
// preference stays as the handheld wrote it.
struct IdleCase : vlmtest::NamedRow {
  uint8_t request;
  uint8_t status;
};

class IdlePreferences : public SyncDriverTest, public ::testing::WithParamInterface<IdleCase> {};

TEST_P(IdlePreferences, SendOnlyAndLeaveThePreference) {
  const IdleCase& c = GetParam();
  const std::vector<uint8_t> before = Preference(c.request, c.status, 3);
  m_handheld.PutRequestPreference(before, kOldVersion);

  EXPECT_EQ(Sync(), 0);

  EXPECT_EQ(m_operations.calls, kSend);
  EXPECT_EQ(m_operations.imageModeAtSend, 3);
  std::optional<platform::pdb::AppPreference> after = m_handheld.RequestPreference();
  ASSERT_TRUE(after);
  EXPECT_EQ(after->version, kOldVersion) << "not written";
  EXPECT_EQ(after->data, before);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, kEnd}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, IdlePreferences,
    ::testing::Values(IdleCase{"AlreadyDone", 2, 0xFF}, IdleCase{"Nothing", 0, 0xFF},
                      IdleCase{"ReceiveDone", 12, 0xFF}, IdleCase{"BeyondTheCodes", 13, 0xFF},
                      IdleCase{"Highest", 0xFF, 0xFF}, IdleCase{"FetchNotPending", 3, 0},
                      IdleCase{"FailedFetchNotRetried", 3, 1}),
    vlmtest::RowName());

TEST_F(SyncDriverTest, DoNothingTypeLogsOneLineAndTouchesNothing) {
  m_handheld.PutRequestPreference(Preference(3, 0xFF), kOldVersion);
  EXPECT_EQ(Sync(kSyncTypeDoNothing), 0);
  EXPECT_EQ(m_log, (std::vector<LogLine>{{"Vellamore configured to do nothing.", -1}}));
  EXPECT_TRUE(m_operations.calls.empty());
  EXPECT_EQ(m_handheld.RequestPreference()->version, kOldVersion);
  EXPECT_FALSE(fs::exists(StorePath()));
}

TEST_F(SyncDriverTest, FailedRegistrationIsReturnedWithoutLogOrHandheldAccess) {
  m_handheld.PutRequestPreference(Preference(3, 0xFF), kOldVersion);
  m_injectCall = "SyncRegisterConduit";
  m_injectCode = 0x4242;
  EXPECT_EQ(Sync(), 0x4242);
  EXPECT_TRUE(m_log.empty());
  EXPECT_TRUE(m_operations.calls.empty());
  EXPECT_EQ(m_handheld.RequestPreference()->version, kOldVersion);
  EXPECT_FALSE(fs::exists(StorePath()));
}

TEST_F(SyncDriverTest, UnreadablePreferenceSendsWithImageMode1AndWritesNothing) {
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.calls, kSend);
  EXPECT_EQ(m_operations.imageModeAtSend, 1);
  EXPECT_FALSE(m_handheld.RequestPreference()) << "no preference was written";
  EXPECT_TRUE(fs::exists(StorePath()));
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, kEnd}));
}

TEST_F(SyncDriverTest, UnwritablePreferenceSkipsSendingAndSaving) {
  m_handheld.PutRequestPreference(Preference(3, 0xFF), kOldVersion);
  m_injectCall = "SyncWriteAppPreference";
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.calls, (std::vector<std::string>{"Fetch 0"}));
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, {"Couldn't write state information", 22}, kEnd}));
  EXPECT_FALSE(fs::exists(StorePath())) << "the list is not saved";
  EXPECT_EQ(m_handheld.RequestPreference()->version, kOldVersion);
}

TEST_F(SyncDriverTest, UnwritablePreferenceAfterFailedRequestEndsWithFailure) {
  m_handheld.PutRequestPreference(Preference(9, 0xFF), kOldVersion);
  m_operations.script.fetchResult = 0x4107;
  m_injectCall = "SyncWriteAppPreference";
  EXPECT_EQ(Sync(), 0x4107);
  EXPECT_EQ(m_log,
            (std::vector<LogLine>{kStart, {"Couldn't write state information", 22}, kEndFailed}));
}

TEST_F(SyncDriverTest, ShortPreferenceReadsAsZeroPadded) {
  m_handheld.PutRequestPreference({11, 0xFF}, kOldVersion);
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.calls, (std::vector<std::string>{"Receive", "Send"}));
  EXPECT_EQ(m_operations.imageModeAtSend, 0);
  std::vector<uint8_t> expected(18, 0);
  expected[0] = 12;
  EXPECT_EQ(m_handheld.RequestPreference()->data, expected);
}

TEST_F(SyncDriverTest, LongerPreferenceKeepsTheHandheldsBytesAfterTheRecord) {
  std::vector<uint8_t> stored = Preference(3, 0xFF);
  for (uint8_t i = 0; i < 12; ++i) stored.push_back(static_cast<uint8_t>(0xC0 + i));
  m_handheld.PutRequestPreference(stored, kOldVersion);
  EXPECT_EQ(Sync(), 0);
  std::vector<uint8_t> expected = stored;
  expected[0] = 4;
  expected[1] = 0;
  EXPECT_EQ(m_handheld.RequestPreference()->data, expected);
}

TEST_F(SyncDriverTest, MissingDataDirectoryIsLoggedAndNoListIsReadOrWritten) {
  vlmtest::RemoveDataDirSetting();
  const bool rootStoreBefore = fs::exists("/Vellamore.dat");
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, {"Couldn't locate data directory.", 22}, kEnd}));
  EXPECT_EQ(m_operations.calls, kSend);
  EXPECT_FALSE(m_operations.hadDataDirectory);
  EXPECT_EQ(fs::exists("/Vellamore.dat"), rootStoreBefore) << "nothing lands in the root folder";
}

TEST_F(SyncDriverTest, EmptyDataDirectorySettingCountsAsMissing) {
  vlmtest::SetDataDirSetting("");
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, {"Couldn't locate data directory.", 22}, kEnd}));
  EXPECT_FALSE(m_operations.hadDataDirectory);
}

TEST_F(SyncDriverTest, ListIsLoadedBeforeTheRequestAndSavedAfterSending) {
  store::FileListStore list;
  list.SetHeader(store::FileListStore::DefaultHeader());
  store::FileListEntry entry;
  entry.id = 41;
  entry.title = "notes.txt";
  list.Append(entry);
  ASSERT_EQ(list.Save(StorePath()), 0);
  m_operations.onSend = [](SyncContext& context) {
    context.fileList.Entries().front().title = "sent.txt";
  };

  EXPECT_EQ(Sync(), 0);

  EXPECT_EQ(m_operations.entriesAtSend, 1u);
  store::FileListStore saved;
  ASSERT_TRUE(saved.Load(StorePath(), store::FileListStore::MissingStore::kZeroHeader));
  ASSERT_EQ(saved.Entries().size(), 1u);
  EXPECT_EQ(saved.Entries().front().title, "sent.txt");
  EXPECT_EQ(saved.GetHeader(), store::FileListStore::DefaultHeader());
}

TEST_F(SyncDriverTest, ListIsLockedFromItsLoadToItsLastSave) {
  std::optional<store::FileListLock::Result> duringSend;
  m_operations.onSend = [&](SyncContext&) {
    store::FileListLock other;
    duringSend = other.TryLock(StorePath());
  };
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(duringSend, store::FileListLock::Result::kHeldElsewhere);
  store::FileListLock after;
  EXPECT_EQ(after.TryLock(StorePath()), store::FileListLock::Result::kLocked);
}

TEST_F(SyncDriverTest, MissingListIsWrittenWithAZeroHeader) {
  EXPECT_EQ(Sync(), 0);
  std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(StorePath());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, std::vector<uint8_t>(store::FileListStore::kHeaderSize, 0));
}

TEST_F(SyncDriverTest, UnreadableListIsNotOverwrittenAndFailsTheCall) {
  fs::create_directories(StorePath());  // a folder where the file should be
  EXPECT_EQ(Sync(), kErrFileListNotRead);
  EXPECT_EQ(m_operations.calls, kSend);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, {"Couldn't read the file list", 22}, kEndFailed}));
  EXPECT_TRUE(fs::is_directory(StorePath()));
}

TEST_F(SyncDriverTest, FailedSendingFailsTheCallAndTheListIsStillSaved) {
  m_operations.script.sendResult = kSyncErrIo;
  EXPECT_EQ(Sync(), kSyncErrIo);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, kEndFailed}));
  EXPECT_TRUE(fs::exists(StorePath()));
}

TEST_F(SyncDriverTest, ListThatCannotBeSavedFailsTheCall) {
  vlmtest::SetDataDirSetting(m_data + "/unmounted");  // a folder that is not there
  m_operations.script.sendSavesNewIds = true;
  EXPECT_EQ(Sync(), kErrFileListNotSaved);
  EXPECT_EQ(m_operations.saveNewIdsResult, kErrFileListNotSaved);
  EXPECT_EQ(m_log, (std::vector<LogLine>{kStart, {"Couldn't save the file list", 22}, kEndFailed}));
}

TEST_F(SyncDriverTest, IndexIsLoadedBeforeTheRequest) {
  m_handheld.PutFilesDatabase(
      {{0, 1, vlmtest::FileRecordBytes(3, 0)}, {0, 2, vlmtest::FileRecordBytes(4, 0)}});
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.indexAtSend, 2u);
}

TEST_F(SyncDriverTest, EveryCallStartsWithEmptyListsAndAFreshPreference) {
  vlmtest::RemoveDataDirSetting();
  m_handheld.PutRequestPreference(Preference(0, 0, 3), kOldVersion);
  m_operations.onSend = [](SyncContext& context) {
    context.fileIndex.AppendFileId(5);
    context.fileList.Append(store::FileListEntry{});
  };
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.imageModeAtSend, 3);

  fs::remove_all(m_image);
  platform::pdb::HandheldImage::Create(m_image, "Ada");
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(m_operations.indexAtSend, 0u);
  EXPECT_EQ(m_operations.entriesAtSend, 0u);
  EXPECT_EQ(m_operations.imageModeAtSend, 1) << "the last call's preference is not reused";
}

TEST_F(SyncDriverTest, OpenConduitRefusesMissingProperties) {
  EXPECT_EQ(OpenConduitWith(nullptr, m_operations), 0x1074);
  CSyncProperties properties{};
  properties.m_SyncType = kSyncTypeDoNothing;
  EXPECT_EQ(OpenConduitWith(&properties, m_operations), 0);
}

}  // namespace
}  // namespace conduit
