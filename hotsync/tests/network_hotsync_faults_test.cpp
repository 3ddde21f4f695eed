// The network HotSync when the handheld fails it, through the built
// programs: whatever the handheld does, `hotsync listen` ends, the HotSync
// is logged as failed, "Vellamore.dat" marks nothing sent that the handheld
// did not keep, and the next complete HotSync leaves both in agreement.
// Also who may HotSync, and a HotSync of many files.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "handheld_records.h"  // records/
#include "link/tcp_socket.h"
#include "pdb/handheld_image.h"
#include "testing/file_record.h"
#include "testing/hotsync_world.h"
#include "testing/listed_files.h"
#include "testing/table.h"

namespace hotsync {
namespace {

using vlmtest::HotSyncWorld;
using vlmtest::LogLine;
using vlmtest::NetworkHotSyncResult;
using vlmtest::ProgramResult;

constexpr int32_t kWarning = 22;  // a log entry's activity when something failed

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// True when the log holds a warning whose text has `part`.
bool LogWarns(const std::vector<LogLine>& log, const std::string& part) {
  return std::any_of(log.begin(), log.end(), [&](const LogLine& line) {
    return line.activity == kWarning && Contains(line.text, part);
  });
}

// A connection that sends junk where a handheld shakes hands, and waits
// until the desktop closes it.
NetworkHotSyncResult GarbageHandshake(const HotSyncWorld&) {
  vlmtest::HotSyncListener listener;
  EXPECT_TRUE(listener.Listening());
  platform::Result<platform::link::ByteStream> stream =
      platform::link::ConnectTcp("127.0.0.1", listener.Port(), std::chrono::milliseconds(10000));
  EXPECT_TRUE(stream) << stream.Reason();
  if (stream) {
    const std::string junk = "GET / HTTP/1.0\r\n\r\n" + std::string(300, '\x90');
    const auto deadline = std::chrono::steady_clock::now() + vlmtest::kNetworkProgramTimeLimit;
    (void)stream->WriteAll({reinterpret_cast<const uint8_t*>(junk.data()), junk.size()}, deadline);
    uint8_t rest[4096];
    while (stream->ReadExactly(rest, deadline)) {
    }
  }
  return {listener.Wait(), {}};
}

// A handheld that stalls holds the listener until it gives up on it; a
// second one that connects meanwhile (another user's, "Bob") is served
// after it. The first one's result, with what the listener printed.
NetworkHotSyncResult SecondHandheldMeanwhile(const HotSyncWorld& world) {
  const std::string other = world.Home().PathOf("bob");
  EXPECT_EQ(vlmtest::RunProgram({vlmtest::BinPath("handheld"), "create", other, "--user", "Bob"})
                .exitStatus,
            0);
  vlmtest::HotSyncListener listener({"--timeout", "1"});
  EXPECT_TRUE(listener.Listening());
  const auto first = vlmtest::ConnectHandheld(world.Image().Folder(), listener.ConnectOptions(),
                                              {"--stall-after", "8"});
  EXPECT_TRUE(listener.ReadOutputUntil("HotSync of \"Ada\""));
  const auto second = vlmtest::ConnectHandheld(other, listener.ConnectOptions());
  std::future<ProgramResult> firstEnded = std::async(
      std::launch::async, [&first] { return first->Wait(vlmtest::kNetworkProgramTimeLimit); });
  const ProgramResult served = second->Wait(vlmtest::kNetworkProgramTimeLimit);
  EXPECT_EQ(served.exitStatus, 0) << "the second handheld is served: " << served.out << served.err;
  NetworkHotSyncResult result{listener.Stop(), firstEnded.get()};
  EXPECT_EQ(result.listen.exitStatus, 0) << "stopped when asked";
  EXPECT_TRUE(Contains(result.listen.out, "HotSync of \"Bob\"")) << result.listen.out;
  return result;
}

struct FaultRow : vlmtest::NamedRow {
  std::function<NetworkHotSyncResult(const HotSyncWorld&)> fault;
  bool succeeds = false;
  const char* logged = "";  // part of a warning of the user's log; "" none
};

NetworkHotSyncResult Connect(const HotSyncWorld& world, std::vector<std::string> options,
                             std::vector<std::string> listenOptions = {},
                             vlmtest::LinkChoice link = {}) {
  return world.NetworkHotSync(options, listenOptions, link);
}

constexpr vlmtest::LinkChoice kSerialTcp{vlmtest::LinkKind::kSerialTcp, {}};

// A serial cable with `faults` between the two programs.
vlmtest::LinkChoice Cable(vlmtest::CableFaults faults) {
  return {vlmtest::LinkKind::kSerialLine, faults};
}

class NetworkFault : public testing::TestWithParam<FaultRow> {
 protected:
  void SetUp() override {
    m_world.InstallHandheldApplication();
    vlmtest::ListFilesAfterAnEditedCopy(m_world);
  }

  HotSyncWorld m_world;
};

TEST_P(NetworkFault, EndsTheListenerAndTheNextHotSyncAgrees) {
  const FaultRow& row = GetParam();
  const NetworkHotSyncResult faulty = row.fault(m_world);
  EXPECT_NE(faulty.listen.exitStatus, -1) << "the listener ended by itself";
  EXPECT_EQ(faulty.listen.exitStatus == 0, row.succeeds) << vlmtest::Printed(faulty);
  if (*row.logged != '\0') {
    EXPECT_TRUE(LogWarns(m_world.Log(), row.logged)) << testing::PrintToString(m_world.Log());
  }
  vlmtest::ExpectNothingMarkedSentThatTheHandheldLacks(m_world);

  const NetworkHotSyncResult complete = m_world.NetworkHotSync();
  ASSERT_TRUE(complete.Succeeded()) << vlmtest::Printed(complete);
  vlmtest::ExpectListAndHandheldAgree(m_world);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NetworkFault,
    testing::Values(
        // The HotSync of the fixture takes some 30 requests: the user's
        // first ones, the conduit's from about 5 to 20, then the backup.
        FaultRow{"DisconnectAtTheStart",
                 [](auto& w) {
                   return Connect(w, {"--disconnect-after", "3"});
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"DisconnectOpeningTheFiles",
                 [](auto& w) {
                   return Connect(w, {"--disconnect-after", "8"});
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"DisconnectWhileSending",
                 [](auto& w) {
                   return Connect(w, {"--disconnect-after", "16"});
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"DisconnectInTheBackup",
                 [](auto& w) {
                   return Connect(w, {"--disconnect-after", "24"});
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"Stall",
                 [](auto& w) {
                   return Connect(w, {"--stall-after", "20"}, {"--timeout", "1"});
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"Cancel", [](auto& w) { return Connect(w, {"--cancel"}); }, false,
                 "cancelled on the handheld"},
        FaultRow{"OneByteChunks",
                 [](auto& w) {
                   return Connect(w, {"--chunk", "1"});
                 },
                 true},
        FaultRow{"GarbageHandshake", GarbageHandshake},
        FaultRow{"SecondHandheldMeanwhile", SecondHandheldMeanwhile, true,
                 "connection to the handheld was lost"},
        // Serial links: the same HotSync framed in SLP and PADP.
        FaultRow{"SerialDisconnectWhileSending",
                 [](auto& w) {
                   return Connect(w, {"--disconnect-after", "16"}, {}, kSerialTcp);
                 },
                 false, "connection to the handheld was lost"},
        FaultRow{"SerialOneByteChunks",
                 [](auto& w) {
                   return Connect(w, {"--chunk", "1"}, {}, kSerialTcp);
                 },
                 true},
        FaultRow{"SerialCablePulledWhileSending",
                 [](auto& w) { return Connect(w, {}, {}, Cable({.pullAfterDesktopBytes = 1500})); },
                 false, "connection to the handheld was lost"},
        FaultRow{"SerialTenLostAcks",
                 [](auto& w) { return Connect(w, {}, {}, Cable({.loseHandheldAcksFrom = 12})); },
                 false, "connection to the handheld was lost"},
        // The handheld moves to 9600 bit/s where the desktop chose 115200:
        // nothing it sends afterwards can be read.
        FaultRow{"SerialHandheldAtAnotherSpeed",
                 [](auto& w) {
                   return Connect(w, {"--answer-speed", "9600"}, {}, Cable({}));
                 },
                 false}),
    vlmtest::RowName());

// The user-ID rule: a second handheld that gives the name of a user who
// synchronised another one is refused and sent nothing until the user
// allows it; a handheld without a user name is refused.
TEST(NetworkUsers, AnotherHandheldOfAKnownUserIsRefusedUntilAllowed) {
  HotSyncWorld world;
  world.InstallHandheldApplication();
  store::FileListStore list;
  list.ResetHeader();
  world.AddPcFile(list, "always.txt", store::kActionAlways);
  world.SaveStore(list);
  ASSERT_TRUE(world.NetworkHotSync().Succeeded());

  const std::string other = world.Home().PathOf("other");
  ASSERT_EQ(vlmtest::RunProgram({vlmtest::BinPath("handheld"), "create", other, "--user", "Ada"})
                .exitStatus,
            0);
  ASSERT_EQ(platform::pdb::HandheldImage(other).SaveDatabase(world.Database("Vellamore")),
            platform::pdb::ImageError::kNone);
  const NetworkHotSyncResult refused = vlmtest::RunNetworkHotSync(other);
  EXPECT_EQ(refused.listen.exitStatus, 1);
  EXPECT_TRUE(Contains(refused.handheld.out, "hotsync users forget \"Ada\""))
      << refused.handheld.out;
  EXPECT_TRUE(LogWarns(world.Log(), "hotsync users forget")) << testing::PrintToString(world.Log());
  EXPECT_FALSE(platform::pdb::HandheldImage(other).HasDatabase(records::kFilesDatabaseName));

  EXPECT_EQ(vlmtest::RunProgram({vlmtest::BinPath("hotsync"), "users", "forget", "Ada"}).exitStatus,
            0);
  const NetworkHotSyncResult allowed = vlmtest::RunNetworkHotSync(other);
  EXPECT_TRUE(allowed.Succeeded()) << vlmtest::Printed(allowed);
  EXPECT_TRUE(platform::pdb::HandheldImage(other).HasDatabase(records::kFilesDatabaseName));
}

TEST(NetworkUsers, AHandheldWithoutAUserNameIsRefused) {
  HotSyncWorld world;
  vlmtest::WriteFile(world.Image().Folder() + "/handheld.ini", "[User]\nName=\n");
  const NetworkHotSyncResult refused = world.NetworkHotSync();
  EXPECT_EQ(refused.listen.exitStatus, 2);
  EXPECT_EQ(refused.handheld.exitStatus, 1);
  EXPECT_TRUE(Contains(refused.handheld.out, "without a user name")) << refused.handheld.out;
}

// Many more records than a transaction ID counts: every file arrives.
TEST(NetworkMany, ThreeHundredListedFilesAllArrive) {
  constexpr size_t kFiles = 300;
  HotSyncWorld world;
  world.InstallHandheldApplication();
  store::FileListStore list;
  list.ResetHeader();
  for (size_t i = 0; i < kFiles; ++i) {
    world.AddPcFile(list, "file" + std::to_string(i) + ".txt", store::kActionAlways);
  }
  world.SaveStore(list);
  const NetworkHotSyncResult run = world.NetworkHotSync();
  ASSERT_TRUE(run.Succeeded()) << vlmtest::Printed(run);
  const std::vector<platform::pdb::PalmRecord> records = world.FileRecords();
  ASSERT_EQ(records.size(), kFiles);
  std::set<uint16_t> ids;
  for (const auto& record : records) ids.insert(vlmtest::HeadOf(record.data).fileId);
  EXPECT_EQ(ids.size(), kFiles);
  const store::FileListStore sent = world.LoadStore();
  for (const store::FileListEntry& entry : sent.Entries()) {
    EXPECT_TRUE(ids.contains(entry.id)) << entry.title;
    EXPECT_TRUE(entry.lastSent.IsSet()) << entry.title;
  }
}

}  // namespace
}  // namespace hotsync
