// HotSyncs over every link end to end through the built programs: `hotsync
// listen` runs the conduit for a handheld played by `handheld connect` over
// the network, a serial cable or serial over TCP. Each must leave the
// handheld and the PC as a HotSync of the image folder does,
// survive a handheld that fails it at any point, and admit only the
// handheld a user first synchronised with.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/hotsync_home.h"
#include "handheld_records.h"  // records/
#include "instaide/instaide.h"
#include "link/tcp_socket.h"
#include "pdb/palm_database.h"
#include "testing/file_record.h"
#include "testing/hotsync_world.h"
#include "testing/table.h"

namespace hotsync {
namespace {

namespace fs = std::filesystem;
using platform::pdb::PalmDatabase;
using store::FileListEntry;
using vlmtest::HotSyncWorld;
using vlmtest::LogLine;
using vlmtest::NetworkHotSyncResult;

constexpr time_t kLongAgo = 1262347200;  // 2010-01-01, every PC file's time

// A HotSync of the image folder itself, or over one of the links.
using Transport = std::optional<vlmtest::LinkKind>;
constexpr Transport kFolder = std::nullopt;

// One HotSync of the world's image; true when both sides call it a success.
bool HotSyncBy(Transport transport, const HotSyncWorld& world) {
  if (transport == kFolder) {
    const platform::ProcessResult run = world.HotSync();
    EXPECT_TRUE(run.Succeeded()) << run.standardOutput << run.standardError;
    return run.Succeeded();
  }
  const NetworkHotSyncResult run = world.NetworkHotSync({}, {}, {*transport});
  EXPECT_TRUE(run.Succeeded()) << vlmtest::Printed(run);
  return run.Succeeded();
}

// `text` with the world's own folder written as "~~~...": two worlds are
// alike but for it. Their folder names have one length, and so keep the
// fields of the records that hold a path where they were.
std::string Homeless(std::string text, const std::string& root) {
  for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
    text.replace(at, root.size(), std::string(root.size(), '~'));
  }
  return text;
}
std::vector<uint8_t> Homeless(const std::vector<uint8_t>& bytes, const std::string& root) {
  const std::string text = Homeless(std::string(bytes.begin(), bytes.end()), root);
  return {text.begin(), text.end()};
}

// What the user finds after the HotSyncs of one world. Times that the
// HotSync itself stamps (a database's creation, change and backup, a file
// record's dates, a file list entry's sending, a mail's date) or that come
// from the moment a PC file was made (a search result's dates; a test
// cannot set a file's birth) differ between two runs: each is compared as
// set or not, every other field as it is. A database's modification count is the handheld's own and
// is left out: an install over the link counts as a change, a copy into a folder does not.
struct Outcome {
  std::map<std::string, PalmDatabase> databases;
  std::vector<std::string> entries;              // "Vellamore.dat"
  std::map<std::string, std::string> dataFiles;  // the received files
  std::vector<LogLine> log;
  std::string captured;  // what the mail or fax program was given
};

time_t SetOrNot(time_t time) {
  return time != 0 ? 1 : 0;
}

// The stamp of `size` bytes at `at` as set (all ones) or not (zeros).
void MarkStamp(std::vector<uint8_t>& record, size_t at, size_t size = 8) {
  if (record.size() < at + size) return;
  const bool set = record[at] != 0;
  std::fill(record.begin() + at, record.begin() + at + size, set ? 0xFF : 0);
}

// The stamps of a file record, and a search result's creation, as set or
// not.
void MarkStamps(const std::string& database, std::vector<uint8_t>& record) {
  namespace layout = records::file_record;
  if (database == records::kFilesDatabaseName) {
    for (size_t at : {layout::kCreatedOffset, layout::kModifiedOffset, layout::kSentOffset}) {
      MarkStamp(record, at);
    }
  }
  if (database == records::kSearchDatabaseName) {
    std::optional<records::SearchResult> result = records::SearchResult::Decode(record);
    if (!result) return;
    result->created.bytes.fill(result->created.bytes[0] != 0 ? 0xFF : 0);
    record = result->Encode();
  }
}

// A mail's "Date:" line without its date.
std::string WithoutMailDate(std::string mail) {
  const size_t date = mail.find("\nDate: ");
  if (date != std::string::npos) mail.erase(date + 7, mail.find('\n', date + 1) - date - 7);
  return mail;
}

std::string Describe(const FileListEntry& e, const std::string& root) {
  const auto date = [](const store::HandheldDateTime& d) {
    return std::string(d.bytes.begin(), d.bytes.end());
  };
  // A received copy's creation is the moment the HotSync made the file.
  const std::string created = e.receivedCopy.empty() ? date(e.created)
                              : e.created.IsSet()    ? "created"
                                                     : "uncreated";
  return std::to_string(e.id) + "|" + e.title + "|" + Homeless(e.path, root) + "|" +
         Homeless(e.receivedCopy, root) + "|" + e.user + "|" + created + "|" + date(e.modified) +
         "|" + (e.lastSent.IsSet() ? "sent" : "unsent") + "|" + std::to_string(e.kind) + "," +
         std::to_string(e.format) + "," + std::to_string(e.category) + "," +
         std::to_string(e.action) + "," + std::to_string(e.isPrivate) + "," +
         std::to_string(e.changed) + "," + std::to_string(e.size);
}

Outcome OutcomeOf(const HotSyncWorld& world) {
  const std::string& root = world.Root();
  Outcome outcome;
  for (const std::string& name : world.Image().ListDatabases()) {
    PalmDatabase database = world.Database(name);
    database.created = SetOrNot(database.created);
    database.modified = SetOrNot(database.modified);
    database.backedUp = SetOrNot(database.backedUp);
    database.modificationNumber = 0;
    database.appInfo = Homeless(database.appInfo, root);
    for (auto& record : database.records) {
      record.data = Homeless(record.data, root);
      MarkStamps(name, record.data);
    }
    outcome.databases[name] = std::move(database);
  }
  const store::FileListStore list = world.LoadStore();
  for (const FileListEntry& entry : list.Entries()) {
    outcome.entries.push_back(Describe(entry, root));
  }
  for (const std::string& name : vlmtest::FileNamesIn(world.DataFolder())) {
    if (name == store::FileListStore::kFileName) continue;
    outcome.dataFiles[name] = Homeless(vlmtest::ReadFile(world.DataFolder() + "/" + name), root);
  }
  outcome.log = world.Log();
  for (LogLine& line : outcome.log) line.text = Homeless(line.text, root);
  for (const char* part : {".args", ".stdin"}) {
    const std::string file = world.CaptureFile() + part;
    if (vlmtest::FileExists(file)) {
      outcome.captured += WithoutMailDate(Homeless(vlmtest::ReadFile(file), root));
    }
  }
  return outcome;
}

// Field by field, so that a difference names what differs.
void ExpectSameOutcome(const Outcome& folder, const Outcome& network) {
  std::vector<std::string> folderNames, networkNames;
  for (const auto& [name, database] : folder.databases) folderNames.push_back(name);
  for (const auto& [name, database] : network.databases) networkNames.push_back(name);
  EXPECT_EQ(folderNames, networkNames);
  for (const auto& [name, expected] : folder.databases) {
    SCOPED_TRACE(name);
    const auto found = network.databases.find(name);
    if (found == network.databases.end()) continue;
    const PalmDatabase& got = found->second;
    EXPECT_EQ(std::tie(got.attributes, got.version, got.created, got.modified, got.backedUp,
                       got.type, got.creator, got.uniqueIdSeed),
              std::tie(expected.attributes, expected.version, expected.created, expected.modified,
                       expected.backedUp, expected.type, expected.creator, expected.uniqueIdSeed));
    EXPECT_EQ(got.appInfo, expected.appInfo);
    EXPECT_EQ(got.sortInfo, expected.sortInfo);
    ASSERT_EQ(got.records.size(), expected.records.size());
    for (size_t i = 0; i < got.records.size(); ++i) {
      EXPECT_EQ(got.records[i].attributes, expected.records[i].attributes) << "record " << i;
      EXPECT_EQ(got.records[i].uniqueId, expected.records[i].uniqueId) << "record " << i;
      const auto& [gotData, expectedData] =
          std::pair(got.records[i].data, expected.records[i].data);
      EXPECT_EQ(gotData, expectedData)
          << "record " << i << " from byte "
          << std::mismatch(gotData.begin(), gotData.end(), expectedData.begin(), expectedData.end())
                     .first -
                 gotData.begin();
    }
    EXPECT_EQ(got.resources, expected.resources);
  }
  EXPECT_EQ(network.entries, folder.entries);
  EXPECT_EQ(network.dataFiles, folder.dataFiles);
  EXPECT_EQ(network.log, folder.log);
  EXPECT_EQ(network.captured, folder.captured);
}

// Every PC file gets one time, so that two worlds made at different
// moments stay alike.
void SetPcFileTimes(const HotSyncWorld& world) {
  for (const auto& file : fs::recursive_directory_iterator(world.PcFolder())) {
    if (file.is_regular_file()) vlmtest::SetModifiedTime(file.path().string(), kLongAgo);
  }
}

using Step = std::function<void(const HotSyncWorld&)>;

// Search results to fetch from: the files of the PC folder, listed only.
void ListResults(const HotSyncWorld& world) {
  world.UseCaptureProgramForMailAndFax();
  world.WritePcFile("agenda.txt", "Item one\r\nItem two\r\n");
  world.WritePcFile("notes.txt", "Nothing to report\n");
  world.Handheld("search-fields",
                 {"--spec", world.PcPath("*.txt"), "--list-only", "on", "--email",
                  "ada@example.org", "--fax", "555 0100", "--third", "For the meeting"});
  world.Handheld("request", {"search"});
}

Step FetchAll(const std::string& mode) {
  return [mode](const HotSyncWorld& world) {
    world.Handheld("select", {"all"});
    world.Handheld("request", {mode});
  };
}

void SearchAndSend(const HotSyncWorld& world) {
  world.WritePcFile("plan.txt", "The annual BUDGET plan");
  world.WritePcFile("sheet.csv", "budget,2024\r\n");
  world.WritePcFile("archive/old.txt", "last year's budget");
  world.WritePcFile("archive/other.txt", "nothing");
  world.Handheld("search-fields",
                 {"--spec", world.PcPath("*.*"), "--list-only", "off", "--subfolders", "on",
                  "--text", "budget", "--text-search", "on"});
  world.Handheld("request", {"search"});
}

void QueueInstalls(const HotSyncWorld& world) {
  fs::create_directories(UserFolder(world.Home().HotSyncHome(), "Ada"));
  PalmDatabase game;
  game.name = "Test Game";
  game.attributes = platform::pdb::kDbAttrResource;
  game.type = platform::pdb::FourCC("appl");
  game.creator = platform::pdb::FourCC("Test");
  game.created = game.modified = kLongAgo;
  game.resources = {{platform::pdb::FourCC("code"), 1, {1, 2, 3}},
                    {platform::pdb::FourCC("tAIN"), 1000, {'G', 'a', 'm', 'e', 0}}};
  PalmDatabase notes;
  notes.name = "Game Notes";
  notes.type = platform::pdb::FourCC("DATA");
  notes.creator = game.creator;
  notes.created = notes.modified = kLongAgo;
  notes.appInfo = {'c', 'a', 't', 's'};
  notes.records = {{0x40, 0x1234, {'o', 'n', 'e'}}, {0x13, 0x1235, {'t', 'w', 'o'}}};
  for (const auto& [database, file] : {std::pair{game, world.Home().PathOf("game.prc")},
                                       std::pair{notes, world.Home().PathOf("notes.pdb")}}) {
    vlmtest::WriteFile(file, platform::pdb::SerializePalmDatabase(database));
    ASSERT_EQ(PltInstallFile("Ada", file.c_str()), kPltErrNone) << file;
  }
}

// Every action, every kind of user, a private and a categorised file, one
// whose PC file is gone and one in PC format.
void ListFilesOfEveryAction(const HotSyncWorld& world) {
  store::FileListStore list;
  list.ResetHeader();
  world.AddPcFile(list, "always.txt", store::kActionAlways);
  world.AddPcFile(list, "once.txt", store::kActionOneTime);
  world.AddPcFile(list, "ifchanged.txt", store::kActionIfChanged);
  world.AddPcFile(list, "never.txt", store::kActionDontSend);
  world.AddPcFile(list, "everyone.txt", store::kActionAlways, "All");
  world.AddPcFile(list, "bob.txt", store::kActionAlways, "Bob");
  world.AddPcFile(list, "private.txt", store::kActionAlways).isPrivate = 1;
  world.AddPcFile(list, "business.txt", store::kActionAlways).category = 3;
  fs::remove(world.AddPcFile(list, "deleted.txt", store::kActionAlways).path);
  world.AddPcFile(list, "pc.txt", store::kActionAlways).format = store::kFormatPc;
  world.SaveStore(list);
}

// The copy of "always.txt" edited on the handheld (at a time of the
// test's choosing), "ifchanged.txt" changed.
void EditBothSides(const HotSyncWorld& world) {
  world.EditOnHandheld(0, "Edited on the handheld");
  PalmDatabase files = world.Database(records::kFilesDatabaseName);
  ASSERT_FALSE(files.records.empty());
  const store::HandheldDateTime edited = store::HandheldDateTime::FromPcTime(kLongAgo, true);
  std::copy(edited.bytes.begin(), edited.bytes.end(),
            files.records[0].data.begin() + records::file_record::kModifiedOffset);
  world.PutDatabase(files);
  world.WritePcFile("ifchanged.txt", "A new version\n");
}

struct EquivalenceRow : vlmtest::NamedRow {
  std::vector<Step> steps;  // each followed by a HotSync
};

class NetworkEquivalence : public testing::TestWithParam<EquivalenceRow> {};

Outcome RunScenario(Transport transport, const std::vector<Step>& steps) {
  HotSyncWorld world;
  world.InstallHandheldApplication();
  for (const Step& step : steps) {
    step(world);
    SetPcFileTimes(world);
    if (!HotSyncBy(transport, world)) break;
  }
  return OutcomeOf(world);
}

TEST_P(NetworkEquivalence, EveryLinkLeavesTheHandheldAndThePcAsAFolderHotSync) {
  const Outcome folder = RunScenario(kFolder, GetParam().steps);
  for (const vlmtest::LinkKind link : {vlmtest::LinkKind::kNetwork, vlmtest::LinkKind::kSerialLine,
                                       vlmtest::LinkKind::kSerialTcp}) {
    SCOPED_TRACE(link == vlmtest::LinkKind::kNetwork      ? "network"
                 : link == vlmtest::LinkKind::kSerialLine ? "serial line"
                                                          : "serial over TCP");
    ExpectSameOutcome(folder, RunScenario(link, GetParam().steps));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, NetworkEquivalence,
    testing::Values(EquivalenceRow{"search", {SearchAndSend}},
                    EquivalenceRow{"fetch", {ListResults, FetchAll("fetch")}},
                    EquivalenceRow{"pcformat", {ListResults, FetchAll("pcformat")}},
                    EquivalenceRow{"email", {ListResults, FetchAll("email")}},
                    EquivalenceRow{"fax", {ListResults, FetchAll("fax")}},
                    EquivalenceRow{"receive",
                                   {SearchAndSend,
                                    [](const HotSyncWorld& world) {
                                      world.Handheld("request", {"receive", "--record", "1"});
                                    }}},
                    EquivalenceRow{"install", {QueueInstalls}},
                    EquivalenceRow{"listed", {ListFilesOfEveryAction, EditBothSides}}),
    vlmtest::RowName());

// `hotsync configure` keeps the links; the resident manager then waits on
// them and runs the HotSync of a handheld that comes over one, at the
// highest speed set. A value that does not fit changes nothing.
TEST(ConfiguredLinks, TheResidentManagerServesTheLinksConfigureTurnedOn) {
  HotSyncWorld world;
  world.InstallHandheldApplication();
  uint16_t port = 0;
  {
    platform::Result<platform::link::TcpListener> probe =
        platform::link::TcpListener::Listen("127.0.0.1", 0);
    ASSERT_TRUE(probe) << probe.Reason();
    port = probe->Port();
  }
  const std::string hotsync = vlmtest::BinPath("hotsync");
  vlmtest::ProgramResult set = vlmtest::RunProgram(
      {hotsync, "configure", "--serial-tcp", std::to_string(port), "--speed", "57600"});
  ASSERT_EQ(set.exitStatus, 0) << set.err;
  EXPECT_NE(set.out.find("Serial over TCP: TCP port " + std::to_string(port) + "."),
            std::string::npos)
      << set.out;
  for (const std::vector<std::string> refused :
       {std::vector<std::string>{"--speed", "12345"}, {"--usb", "maybe"}, {"--serial-tcp", "0"}}) {
    std::vector<std::string> argv = {hotsync, "configure"};
    argv.insert(argv.end(), refused.begin(), refused.end());
    EXPECT_EQ(vlmtest::RunProgram(argv).exitStatus, 2) << refused[0];
  }

  vlmtest::RunningProgram manager({hotsync, "-r"}, {});
  ASSERT_TRUE(manager.ReadOutputUntil("serial over TCP port " + std::to_string(port)));
  const auto handheld = vlmtest::ConnectHandheld(
      world.Image().Folder(), {"--serial-tcp", "127.0.0.1:" + std::to_string(port)});
  const vlmtest::ProgramResult synced = handheld->Wait(vlmtest::kNetworkProgramTimeLimit);
  EXPECT_EQ(synced.exitStatus, 0) << synced.out << synced.err;
  EXPECT_TRUE(manager.ReadOutputUntil("Serial link at 57600 bit/s"));
  manager.Signal(SIGTERM);
  const vlmtest::ProgramResult stopped = manager.Wait(vlmtest::kNetworkProgramTimeLimit);
  EXPECT_EQ(stopped.exitStatus, 0) << stopped.out << stopped.err;
}

// Serial over TCP on a chosen address leaves network HotSync off: the
// handhelds' own port stays free for another program.
TEST(ConfiguredLinks, SerialOverTcpAloneOpensNoNetworkPort) {
  HotSyncWorld world;
  vlmtest::HotSyncListener listener({"--once"}, {vlmtest::LinkKind::kSerialTcp});
  ASSERT_TRUE(listener.Listening());
  const vlmtest::ProgramResult stopped = listener.Stop();
  EXPECT_EQ(stopped.out.rfind("Waiting for handhelds on serial over TCP port ", 0), 0u)
      << stopped.out;
  EXPECT_EQ(stopped.out.find(" and "), std::string::npos) << stopped.out;
}

}  // namespace
}  // namespace hotsync
