// The Sync Manager on a handheld over DLP, through its exported calls: the
// same calls give the same results and leave the same handheld as on an
// image folder; the handheld's DLP errors become Sync Manager codes; reads
// ask for no more than the caller's buffer; a lost link ends the HotSync.
#include <chrono>
#include <functional>
#include <memory>

#include "backend_handheld.h"
#include "link/tests/served_handheld.h"
#include "sync_fixture.h"
#include "sync_transcript.h"
#include "syncmgr/sync_backend_session.h"

namespace syncmgr_test {
namespace {

using namespace platform::link;
using linktest::FakeHandheld;
using linktest::HandheldFault;
using linktest::ServedHandheld;
using platform::pdb::HandheldImage;
using Clock = std::chrono::steady_clock;

// The desktop's end of a link, counting the calls made on it.
class CountingLink final : public DesktopLink {
 public:
  explicit CountingLink(DesktopLink& link) : m_link(link) {}
  Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) override {
    ++calls;
    return m_link.Call(request);
  }
  Result<void> Handshake() override { return m_link.Handshake(); }
  void Close() override { m_link.Close(); }
  bool Broken() const override { return m_link.Broken(); }

  int calls = 0;

 private:
  DesktopLink& m_link;
};

// A HotSync through the Sync Manager on `handheld`, served over a socket
// pair, for the life of the object.
class DeviceHotSync {
 public:
  explicit DeviceHotSync(DlpHandheld& handheld,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10),
                         HandheldFault fault = {})
      : m_served(handheld, timeout, fault), m_link(m_served.Desktop()) {
    EXPECT_TRUE(m_served.Connected());
    EXPECT_EQ(
        platform::syncmgr::BeginSessionOn(platform::syncmgr::MakeDeviceBackend(m_link), nullptr),
        kSyncErrNone);
  }
  ~DeviceHotSync() {
    SyncSessionEnd();
    SyncInjectFailure(nullptr, 0);
  }
  // The DLP calls made so far.
  int LinkCalls() const { return m_link.calls; }

 private:
  ServedHandheld m_served;
  CountingLink m_link;
};

// The databases of an image, without the dates that depend on the clock.
std::vector<PalmDatabase> Contents(const std::string& folder) {
  const HandheldImage image(folder);
  std::vector<PalmDatabase> databases;
  for (const std::string& name : image.ListDatabases()) {
    PalmDatabase database = vlmtest::DatabaseOf(image, name);
    database.created = database.modified = database.backedUp = 0;
    databases.push_back(std::move(database));
  }
  return databases;
}

// The same handheld in a folder: the notes fixture, a resource database
// and a user.
void Seed(const std::string& folder) {
  std::filesystem::create_directories(folder);
  const HandheldImage image(folder);
  ASSERT_EQ(image.InstallFile(kNotesFixture), platform::pdb::ImageError::kNone);
  PalmDatabase resources;
  resources.name = "Fixture App";
  resources.attributes = platform::pdb::kDbAttrResource;
  resources.type = FourCC("appl");
  resources.creator = FourCC("Fixt");
  resources.resources = {{FourCC("code"), 1, {1, 2, 3}}, {FourCC("tSTR"), 1000, {'h', 'i'}}};
  ASSERT_EQ(image.SaveDatabase(resources), platform::pdb::ImageError::kNone);
  ASSERT_TRUE(image.WriteUserName("Ann Example"));
}

constexpr uint8_t kAll = kDbRead | kDbWrite | kDbShowSecret;

struct Scenario {
  const char* what;
  std::function<void(Transcript&)> run;
};

const Scenario kScenarios[] = {
    {"records read by index, into buffers large and small, secret ones hidden",
     [](Transcript& t) {
       const uint8_t all = t.Open("FixtureNotesDB", kAll);
       const uint8_t hiding = t.Open("FixtureNotesDB", kDbRead);
       t.Count(all);
       for (uint16_t index = 0; index <= 5; ++index) t.ReadByIndex(all, index);
       t.ReadByIndex(all, 1, 6);
       t.ReadByIndex(all, 1, 0);
       t.ReadByIndex(hiding, 2);
       t.Close(hiding);
       t.Close(all);
       t.Close(all);
     }},
    {"records written, replaced and deleted",
     [](Transcript& t) {
       const uint8_t handle = t.Open("FixtureNotesDB", kAll);
       const uint32_t added = t.Write(handle, "added", 0, kRecAttrSecret, 7);
       t.Write(handle, "dirty", 0, kRecAttrDirty | kRecAttrDeleted, 2);
       t.Write(handle, "chosen id", 0x000123);
       t.Write(handle, "replaced", 0xB00001, 0, 4);
       t.Delete(handle, 0xB00002);
       t.Delete(handle, 0x0ABCDE);
       t.Delete(handle, added);
       t.Count(handle);
       for (uint16_t index = 0; index <= 6; ++index) t.ReadByIndex(handle, index);
       const uint8_t reading = t.Open("FixtureNotesDB", kDbRead);
       t.Write(reading, "refused");
       t.Close(handle);
     }},
    {"a category walked, reset and walked again",
     [](Transcript& t) {
       const uint8_t hiding = t.Open("FixtureNotesDB", kDbRead);
       const uint8_t showing = t.Open("FixtureNotesDB", kDbRead | kDbShowSecret);
       for (int walk = 0; walk < 3; ++walk) t.ReadNext(hiding, 3);
       t.Reset(hiding);
       t.ReadNext(hiding, 0, 5);
       t.ReadNext(hiding, 0);
       for (int walk = 0; walk < 3; ++walk) t.ReadNext(showing, 3);
       t.ReadNext(showing, 16);
     }},
    {"deleted records purged, then every record",
     [](Transcript& t) {
       const uint8_t handle = t.Open("FixtureNotesDB", kAll);
       t.PurgeDeleted(handle);
       t.Count(handle);
       t.ReadByIndex(handle, 3);
       t.Close(handle);
       const uint8_t again = t.Open("FixtureNotesDB", kAll);
       t.PurgeAll(again);
       t.Count(again);
       t.ReadByIndex(again, 0);
     }},
    {"databases created, with and without an application-info block",
     [](Transcript& t) {
       const uint8_t created = t.Create("VlmrNewDB", 0);
       t.Write(created, "first");
       t.WriteAppInfo(created, "categories");
       t.ReadAppInfo(created, 64);
       t.ReadAppInfo(created, 4);
       t.Create("VlmrNewDB", 0);
       t.Close(created);
       const uint8_t bare = t.Create("VlmrBareDB", 0);
       t.ReadAppInfo(bare, 64);
       const uint8_t notes = t.Open("FixtureNotesDB", kDbRead);
       t.ReadAppInfo(notes, 14);
       t.WriteAppInfo(notes, "refused");
       t.Open("VlmrMissingDB", kAll);
       t.Open("a name longer than any database can have", kAll);
       const uint8_t reopened = t.Open("VlmrNewDB", kDbRead | kDbShowSecret);
       t.Count(reopened);
       t.ReadByIndex(reopened, 0);
     }},
    {"resource databases refusing record calls",
     [](Transcript& t) {
       const uint8_t app = t.Open("Fixture App", kAll);
       t.Count(app);
       t.ReadByIndex(app, 0);
       t.ReadNext(app, 0);
       t.Write(app, "refused");
       t.PurgeDeleted(app);
       t.PurgeAll(app);
       const uint8_t created = t.Create("VlmrNewResources", platform::pdb::kDbAttrResource);
       t.Write(created, "refused");
       t.Count(created);
     }},
    {"preferences and the user",
     [](Transcript& t) {
       t.ReadPreference(1, true, 100, 100);
       t.WritePreference(1, true, 2, "saved preference");
       t.WritePreference(1, false, 3, "unsaved");
       t.WritePreference(2, true, 1, "");
       t.ReadPreference(1, true, 100, 100);
       t.ReadPreference(1, true, 5, 100);
       t.ReadPreference(1, false, 100, 3);
       t.ReadPreference(2, true, 100, 100);
       t.ReadPreference(2, false, 100, 100);
       t.ReadUser();
       t.ReadUser();
     }},
};

// The property the HotSync Manager relies on: a conduit cannot tell a
// handheld over a link from an image folder.
TEST(DeviceBackend, GivesTheSameResultsAndLeavesTheSameHandheldAsAnImage) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.what);
    vlmtest::TempFolder root;
    const std::string direct = root / "direct";
    const std::string overLink = root / "over a link";
    Seed(direct);
    Seed(overLink);
    Transcript onImage;
    ASSERT_EQ(SyncSessionBegin(direct.c_str(), nullptr), kSyncErrNone);
    scenario.run(onImage);
    SyncSessionEnd();
    Transcript onDevice;
    {
      BackendHandheld handheld(platform::syncmgr::MakeImageBackend(overLink));
      DeviceHotSync hotSync(handheld);
      scenario.run(onDevice);
    }
    EXPECT_EQ(onDevice.lines, onImage.lines);
    EXPECT_EQ(Contents(overLink), Contents(direct));
  }
}

// A handheld answering as set call by call; its databases open as handle
// 0, which is no Sync Manager handle, and hold three records.
void AnswerOpens(FakeHandheld& handheld) {
  handheld.Answer<calls::OpenDB>({0});
  handheld.Answer<calls::CreateDB>({1});
  handheld.Answer<calls::ReadOpenDBInfo>({3});
}

uint8_t OpenOnHandheld() {
  uint8_t handle = 0;
  EXPECT_EQ(SyncOpenDB("FixtureNotesDB", 0, &handle, kAll), kSyncErrNone);
  return handle;
}

// One Sync Manager call on an open handle, noted in a transcript.
using SyncCall = void (*)(Transcript&, uint8_t handle);

template <typename Call>
void Fails(FakeHandheld& handheld, int error) {
  handheld.Fail<Call>(error);
}

TEST(DeviceBackend, GivesEachDlpErrorItsSyncManagerCodeAndGoesOn) {
  struct Row {
    const char* what;
    void (*fail)(FakeHandheld&, int);
    int dlpError;
    SyncCall call;
    int32_t code;
  };
  const Row rows[] = {
      {"no such database", Fails<calls::OpenDB>, kDlpErrNotFound,
       [](Transcript& t, uint8_t) { t.Open("Other", kAll); }, kSyncErrNotFound},
      {"no such record", Fails<calls::ReadRecord>, kDlpErrNotFound,
       [](Transcript& t, uint8_t h) { t.ReadByIndex(h, 0); }, kSyncErrNoRecord},
      {"a category's end", Fails<calls::ReadNextRecInCategory>, kDlpErrNotFound,
       [](Transcript& t, uint8_t h) { t.ReadNext(h, 0); }, kSyncErrNoRecord},
      {"no record to delete", Fails<calls::DeleteRecord>, kDlpErrNotFound,
       [](Transcript& t, uint8_t h) { t.Delete(h, 1); }, kSyncErrNoRecord},
      {"a deleted record", Fails<calls::ReadRecord>, kDlpErrRecordDeleted,
       [](Transcript& t, uint8_t h) { t.ReadByIndex(h, 0); }, kSyncErrNoRecord},
      {"no application-info block", Fails<calls::ReadAppBlock>, kDlpErrNotFound,
       [](Transcript& t, uint8_t h) { t.ReadAppInfo(h, 8); }, kSyncErrNoAppInfo},
      {"no such preference", Fails<calls::ReadAppPreference>, kDlpErrNotFound,
       [](Transcript& t, uint8_t) { t.ReadPreference(1, true, 8, 8); }, kSyncErrNoPreference},
      {"a database in ROM", Fails<calls::WriteRecord>, kDlpErrReadOnly,
       [](Transcript& t, uint8_t h) { t.Write(h, "text"); }, kSyncErrReadOnly},
      {"a name taken", Fails<calls::CreateDB>, kDlpErrAlreadyExists,
       [](Transcript& t, uint8_t) { t.Create("Other", 0); }, kSyncErrExists},
      {"too many open", Fails<calls::OpenDB>, kDlpErrTooManyOpen,
       [](Transcript& t, uint8_t) { t.Open("Other", kAll); }, kSyncErrTooManyOpen},
      {"a handle it does not know", Fails<calls::CleanUpDatabase>, kDlpErrNoneOpen,
       [](Transcript& t, uint8_t h) { t.PurgeDeleted(h); }, kSyncErrBadHandle},
      {"a bad value", Fails<calls::WriteAppBlock>, kDlpErrParameter,
       [](Transcript& t, uint8_t h) { t.WriteAppInfo(h, "block"); }, kSyncErrBadArgument},
      {"a malformed request", Fails<calls::WriteRecord>, kDlpErrBadArgumentSize,
       [](Transcript& t, uint8_t h) { t.Write(h, "text"); }, kSyncErrBadArgument},
      {"a full handheld", Fails<calls::WriteRecord>, kDlpErrNotEnoughSpace,
       [](Transcript& t, uint8_t h) { t.Write(h, "text"); }, kSyncErrIo},
      {"no memory", Fails<calls::WriteAppPreference>, kDlpErrMemory,
       [](Transcript& t, uint8_t) { t.WritePreference(1, true, 1, "p"); }, kSyncErrIo},
      {"a system failure", Fails<calls::ReadUserInfo>, kDlpErrSystem,
       [](Transcript& t, uint8_t) { t.ReadUser(); }, kSyncErrIo},
      {"the user's cancel", Fails<calls::ReadNextRecInCategory>, kDlpErrCancelled,
       [](Transcript& t, uint8_t h) { t.ReadNext(h, 0); }, kSyncErrCancelled},
      {"an error DLP does not name", Fails<calls::ResetRecordIndex>, 99,
       [](Transcript& t, uint8_t h) { t.Reset(h); }, kSyncErrIo},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeHandheld handheld;
    AnswerOpens(handheld);
    DeviceHotSync hotSync(handheld);
    const uint8_t handle = OpenOnHandheld();
    row.fail(handheld, row.dlpError);
    Transcript transcript;
    row.call(transcript, handle);
    EXPECT_EQ(transcript.last, row.code);
    uint16_t count = 0;
    EXPECT_EQ(SyncGetDBRecordCount(handle, &count), kSyncErrNone);
    EXPECT_EQ(count, 3);
  }
}

// The handheld sends more than it is asked for: the Sync Manager still
// asks for no more than the caller's buffer, and copies no more.
TEST(DeviceBackend, AsksForNoMoreThanTheCallersBufferAndCopiesNoMore) {
  FakeHandheld handheld;
  AnswerOpens(handheld);
  const std::vector<uint8_t> ten(10, 'x');
  const RecordReply record{0x123, 4, 10, kRecAttrDirty, 2, ten};
  handheld.Answer<calls::ReadRecord>(record);
  handheld.Answer<calls::ReadNextRecInCategory>(record);
  handheld.Answer<calls::ReadAppBlock>({10, ten});
  handheld.Answer<calls::ReadAppPreference>({1, 10, ten});
  DeviceHotSync hotSync(handheld);
  const uint8_t handle = OpenOnHandheld();

  Transcript t;
  t.ReadByIndex(handle, 4, 4);
  t.ReadNext(handle, 2, 3);  // no length to ask for: cut on arrival
  t.ReadAppInfo(handle, 5);
  t.ReadPreference(1, true, 6, 4);
  EXPECT_EQ(t.lines, (std::vector<std::string>{
                         "read 4 -> 0x0 id 123 at 4 attributes 40 in 2 'xxxx'",
                         "next in 2 -> 0x0 id 123 at 4 attributes 40 in 2 'xxx'",
                         "read app info -> 0x0 xxxxx", "read preference -> 0x0 xxxx of 10 v1"}));
  EXPECT_EQ(handheld.LastRequest<calls::ReadRecord>(),
            (ReadRecordRequest{ReadRecordRequest::By::kIndex, 0, 0, 4, 0, 4}));
  EXPECT_EQ(handheld.LastRequest<calls::ReadAppBlock>(), (ReadBlockRequest{0, 0, 5}));
  EXPECT_EQ(handheld.LastRequest<calls::ReadAppPreference>()->maxBytes, 4);
}

// What a round trip has shown once is not asked again: the user, and a
// database that refused a record call as a resource database. A write
// reports the record's ID and leaves its index alone.
TEST(DeviceBackend, KeepsWhatTheHandheldHasShownIt) {
  FakeHandheld handheld;
  AnswerOpens(handheld);
  handheld.Answer<calls::ReadUserInfo>({0x77, 0, 0, {}, {}, "Ann Example", {}});
  handheld.Fail<calls::ReadRecord>(kDlpErrNotSupported);
  DeviceHotSync hotSync(handheld);
  const uint8_t handle = OpenOnHandheld();

  Transcript t;
  t.ReadUser();
  const int linkCalls = hotSync.LinkCalls();
  t.ReadUser();
  t.ReadByIndex(handle, 0);  // asked: refused as a resource database
  t.ReadNext(handle, 0);
  t.PurgeAll(handle);
  EXPECT_EQ(t.lines, (std::vector<std::string>{"user -> 0x0 Ann Example", "user -> 0x0 Ann Example",
                                               "read 0 -> 0x4102 id 0 at 0 attributes 0 in 0 ''",
                                               "next in 0 -> 0x4102 id 0 at 0 attributes 0 in 0 ''",
                                               "purge all -> 0x4102 "}));
  EXPECT_EQ(hotSync.LinkCalls(), linkCalls + 1);

  handheld.Answer<calls::WriteRecord>({0x0ABCDE});
  CRawRecordInfo write{};
  write.m_FileHandle = OpenOnHandheld();
  write.m_RecIndex = 77;
  ASSERT_EQ(SyncWriteRec(&write), kSyncErrNone);
  EXPECT_EQ(write.m_RecId, 0x0ABCDEu);
  EXPECT_EQ(write.m_RecIndex, 77);
}

TEST(DeviceBackend, ALostLinkFailsTheCallAndEveryLaterOneAtOnce) {
  using std::chrono::milliseconds;
  struct Row {
    const char* what;
    HandheldFault fault;
    milliseconds timeout;
    milliseconds within;
  };
  const Row rows[] = {
      {"the handheld goes away", {2, false}, milliseconds(10'000), milliseconds(2'000)},
      {"the handheld stops answering", {2, true}, milliseconds(300), milliseconds(2'300)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeHandheld handheld;
    AnswerOpens(handheld);
    DeviceHotSync hotSync(handheld, row.timeout, row.fault);
    const uint8_t handle = OpenOnHandheld();
    OpenOnHandheld();  // left open for the end of the HotSync
    Transcript t;
    const Clock::time_point start = Clock::now();
    t.ReadByIndex(handle, 0);
    EXPECT_LT(Clock::now() - start, row.within);
    const int linkCalls = hotSync.LinkCalls();
    t.Write(handle, "text");
    t.ReadUser();
    t.Open("Other", kAll);
    t.Create("Other", 0);
    t.ReadPreference(1, true, 8, 8);
    t.Reset(handle);
    t.Close(handle);
    SyncSessionEnd();  // closes the other handle without a word to the handheld
    EXPECT_EQ(hotSync.LinkCalls(), linkCalls);
    for (const std::string& line : t.lines) EXPECT_NE(line.find("-> 0x4108"), std::string::npos);
  }
}

}  // namespace
}  // namespace syncmgr_test
