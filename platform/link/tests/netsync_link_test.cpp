#include "link/netsync_link.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/netsync_packet.h"
#include "recorded_session.h"

namespace {

using namespace platform::link;
using platform::Failure;
using platform::Result;
using linktest::FromHex;
using linktest::LoadRecording;
using linktest::Packets;
using linktest::StreamPair;

std::vector<uint8_t> PayloadOf(const std::vector<uint8_t>& packet) {
  return {packet.begin() + kNetSyncHeadSize, packet.end()};
}

// The desktop's end against each recorded handheld: the handshake and
// every request go out byte for byte as recorded (transaction ids from 3
// on), and every reply comes back whole however the handheld's bytes were
// chunked.
class RecordedNetSyncTest : public testing::TestWithParam<const char*> {};

TEST_P(RecordedNetSyncTest, DesktopSendsTheRecordedBytesAndReadsEveryReply) {
  const auto chunks = LoadRecording(GetParam());
  const auto requests = Packets(chunks, false);
  const auto replies = Packets(chunks, true);
  ASSERT_EQ(requests.size(), replies.size() - 1);  // the handheld speaks first

  auto [desktopEnd, handheldEnd] = StreamPair();
  linktest::RecordedHandheld handheld(chunks, std::move(handheldEnd));
  NetSyncDesktopLink link(std::move(desktopEnd), std::chrono::seconds(10));
  ASSERT_TRUE(link.Handshake());
  for (size_t i = 2; i < requests.size(); ++i) {
    Result<std::vector<uint8_t>> reply = link.Call(PayloadOf(requests[i]));
    ASSERT_TRUE(reply) << reply.Reason();
    EXPECT_EQ(*reply, PayloadOf(replies[i + 1])) << "reply " << i;
  }
  link.Close();
  EXPECT_EQ(handheld.Join(), linktest::DesktopBytes(chunks));
}

INSTANTIATE_TEST_SUITE_P(RealHandhelds, RecordedNetSyncTest,
                         testing::Values("no-op-test.net.json", "device-info-test.net.json",
                                         "list-db-test.net.json",
                                         "create-delete-db-test.net.json"));

TEST(NetSyncLink, HandheldEndShakesHandsAsARealHandheld) {
  const auto recorded = Packets(LoadRecording("no-op-test.net.json"), true);
  auto [desktopEnd, handheldEnd] = StreamPair();
  std::thread handheld([stream = std::move(handheldEnd)]() mutable {
    NetSyncHandheldLink link(std::move(stream), std::chrono::seconds(10));
    ASSERT_TRUE(link.Handshake());
    for (;;) {
      Result<std::vector<uint8_t>> request = link.NextRequest();
      if (!request) return;
      ASSERT_TRUE(link.Reply(*request));  // echoes
    }
  });
  // The handheld's greeting is the recorded one, with its id.
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  Result<NetSyncPacket> hello = ReadNetSyncPacket(desktopEnd, deadline);
  ASSERT_TRUE(hello);
  EXPECT_EQ(hello->transaction, kHandheldFirstTransaction);
  EXPECT_EQ(hello->payload, PayloadOf(recorded[0]));
  ASSERT_TRUE(WriteNetSyncPacket(desktopEnd, 1, DesktopHello(), deadline));
  ASSERT_TRUE(ReadNetSyncPacket(desktopEnd, deadline));
  ASSERT_TRUE(WriteNetSyncPacket(desktopEnd, 2, DesktopAccept(), deadline));
  ASSERT_TRUE(ReadNetSyncPacket(desktopEnd, deadline));

  // Requests count 3 ... 254, then 1: each reply carries its request's id.
  NetSyncDesktopLink link(std::move(desktopEnd), std::chrono::seconds(10));
  for (int i = 0; i < 300; ++i) {
    const std::vector<uint8_t> request{0x12, 0x00, static_cast<uint8_t>(i)};
    Result<std::vector<uint8_t>> reply = link.Call(request);
    ASSERT_TRUE(reply) << "call " << i << ": " << reply.Reason();
    ASSERT_EQ(*reply, request);
  }
  link.Close();
  handheld.join();
}

TEST(NetSyncLink, TransactionIdsSkipZeroAndTheHandheldsOwn) {
  EXPECT_EQ(NextTransaction(1), 2);
  EXPECT_EQ(NextTransaction(0xFD), 0xFE);
  EXPECT_EQ(NextTransaction(0xFE), 1);
  EXPECT_EQ(NextTransaction(0xFF), 1);
}

// Handhelds that misbehave after, or instead of, a sound handshake: the
// desktop's wait ends with a reason, never hangs.
struct Misbehaviour {
  const char* name;
  bool afterHandshake;
  const char* bytes;  // what the handheld sends, in hex, then it stays silent
  bool closes;        // then closes its end
  const char* reason;  // part of the failure; empty: the call succeeds
};

class MisbehavingHandheldTest : public testing::TestWithParam<Misbehaviour> {};

TEST_P(MisbehavingHandheldTest, EndsTheWaitWithAReason) {
  const Misbehaviour& row = GetParam();
  const auto recorded = LoadRecording("no-op-test.net.json");
  std::vector<linktest::RecordedChunk> script;
  if (row.afterHandshake) {
    script.assign(recorded.begin(), recorded.begin() + 5);               // the handshake
    script.push_back({false, FromHex("0103000000081201200400010004")});  // ReadSysInfo
  }
  script.push_back({true, FromHex(row.bytes)});
  if (!row.closes) script.push_back({false, std::vector<uint8_t>(1)});  // waits for ever
  auto [desktopEnd, handheldEnd] = StreamPair();
  std::optional<linktest::RecordedHandheld> handheld;
  handheld.emplace(script, std::move(handheldEnd));

  NetSyncDesktopLink link(std::move(desktopEnd), std::chrono::milliseconds(300));
  Result<void> outcome = link.Handshake();
  if (outcome && row.afterHandshake) {
    Result<std::vector<uint8_t>> reply = link.Call(FromHex("1201200400010004"));
    outcome = reply ? Result<void>() : Result<void>(Failure{reply.Reason()});
  }
  if (*row.reason == '\0') {
    EXPECT_TRUE(outcome) << outcome.Reason();
  } else {
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.Reason().find(row.reason), std::string::npos) << outcome.Reason();
    if (row.afterHandshake) {
      // The link is broken for good: the next call fails without waiting.
      EXPECT_TRUE(link.Broken());
      Result<std::vector<uint8_t>> again = link.Call(FromHex("1000"));
      ASSERT_FALSE(again);
      EXPECT_EQ(again.Reason(), "the connection to the handheld was lost");
    }
  }
  link.Close();  // releases a player that waits for more
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MisbehavingHandheldTest,
    testing::Values(
        Misbehaviour{"GarbageGreeting", false, "01ff00000003414243", false,
                     "does not speak network HotSync"},
        Misbehaviour{"HttpInsteadOfHotSync", false, "474554202f20485454502f312e310d0a", false,
                     "unknown type 71"},
        Misbehaviour{"UnknownPacketType", true, "07030000000100", false, "unknown type 7"},
        Misbehaviour{"OversizedLength", true, "010300100001", false, "more than a HotSync"},
        Misbehaviour{"ClosesInTheHead", true, "0103", true, "closed the connection"},
        Misbehaviour{"ClosesInThePayload", true, "01030000000492", true, "closed the connection"},
        Misbehaviour{"StallsInThePayload", true, "01030000000492", false, "did not answer in time"},
        Misbehaviour{"StallsBeforeAnswering", true, "", false, "did not answer in time"},
        Misbehaviour{"AnswersAnotherRequest", true, "0107000000049200000000", false,
                     "answered request 7 instead of 3"},
        Misbehaviour{"TickleBeforeTheReply", true, "02000000000001030000000492000000", false,
                     ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
