#include "link/serial_link.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>

#include "link/cmp.h"
#include "link/padp.h"
#include "recorded_session.h"

namespace {

using namespace platform::link;
using linktest::LoadRecording;
using linktest::SerialMessages;
using linktest::StreamPair;
using platform::Result;

class RecordedSerialTest : public testing::TestWithParam<const char*> {};

TEST_P(RecordedSerialTest, DesktopSendsTheRecordedBytesAndReadsEveryReply) {
  const auto chunks = LoadRecording(GetParam());
  const auto requests = SerialMessages(chunks, false);
  const auto replies = SerialMessages(chunks, true);
  ASSERT_EQ(requests.size(), replies.size());

  auto [desktopEnd, handheldEnd] = StreamPair();
  linktest::RecordedHandheld handheld(chunks, std::move(handheldEnd));
  uint32_t chosenSpeed = 0;
  SerialLinkSettings settings;
  settings.onSpeedChosen = [&](uint32_t speed) -> Result<void> {
    chosenSpeed = speed;
    return {};
  };
  SerialDesktopLink link(std::move(desktopEnd), settings);
  ASSERT_TRUE(link.Handshake());
  EXPECT_EQ(chosenSpeed, 115'200u);
  for (size_t i = 1; i < requests.size(); ++i) {
    Result<std::vector<uint8_t>> reply = link.Call(requests[i].bytes);
    ASSERT_TRUE(reply) << reply.Reason();
    EXPECT_EQ(*reply, replies[i].bytes) << "reply " << i;
  }
  link.Close();
  EXPECT_EQ(handheld.Join(), linktest::DesktopBytes(chunks));
}

INSTANTIATE_TEST_SUITE_P(RealHandhelds, RecordedSerialTest,
                         testing::Values("no-op-test.serial-net.json",
                                         "device-info-test.serial-net.json"));

}  // namespace

namespace {

constexpr PadpTiming kQuickTiming{std::chrono::milliseconds(100), 10, std::chrono::seconds(5)};

SerialLinkSettings QuickSettings() {
  SerialLinkSettings settings;
  settings.timing = kQuickTiming;
  return settings;
}

// A handheld that answers each request with the request itself.
std::thread EchoingHandheld(ByteStream stream) {
  return std::thread([stream = std::move(stream)]() mutable {
    SerialHandheldLink link(std::move(stream), QuickSettings());
    if (!link.Handshake()) return;
    while (Result<std::vector<uint8_t>> request = link.NextRequest()) {
      if (!link.Reply(*request)) return;
    }
  });
}

std::vector<uint8_t> NumberedRequest(size_t number, size_t size) {
  std::vector<uint8_t> request(size);
  for (size_t i = 0; i < size; ++i) request[i] = static_cast<uint8_t>(number + i);
  return request;
}

TEST(SerialLink, HandheldEndWakesAsARealHandheld) {
  const auto recorded = linktest::SerialFrames(LoadRecording("no-op-test.serial-net.json"), true);
  const auto wakeup = std::find_if(recorded.begin(), recorded.end(), [](const SlpFrame& frame) {
    return frame.type == kSlpTypePadp;
  });
  ASSERT_NE(wakeup, recorded.end());

  auto [desktopEnd, handheldEnd] = StreamPair();
  std::thread handheld = EchoingHandheld(std::move(handheldEnd));
  std::vector<uint8_t> sent(wakeup->Encode().size());
  ASSERT_TRUE(desktopEnd.ReadExactly(sent, Clock::now() + std::chrono::seconds(5)));
  EXPECT_EQ(sent, wakeup->Encode());
  desktopEnd.Close();
  handheld.join();
}

TEST(SerialLink, BothEndsCarryThreeHundredCallsAcrossTheWrapOfTheirIds) {
  EXPECT_EQ(NextSerialTransaction(1), 2);
  EXPECT_EQ(NextSerialTransaction(0xFE), 1);  // 0xFF is CMP's, 0 is never used

  auto [desktopEnd, handheldEnd] = StreamPair();
  std::thread handheld = EchoingHandheld(std::move(handheldEnd));
  uint32_t chosenSpeed = 0;
  SerialLinkSettings settings = QuickSettings();
  settings.maxSpeed = 57'600;
  settings.onSpeedChosen = [&](uint32_t speed) -> Result<void> {
    chosenSpeed = speed;
    return {};
  };
  SerialDesktopLink link(std::move(desktopEnd), settings);
  ASSERT_TRUE(link.Handshake());
  EXPECT_EQ(chosenSpeed, 57'600u);
  for (size_t i = 0; i < 300; ++i) {
    // Every tenth request takes several fragments each way.
    const std::vector<uint8_t> request = NumberedRequest(i, i % 10 == 0 ? 2'500 : 1 + i % 40);
    Result<std::vector<uint8_t>> reply = link.Call(request);
    ASSERT_TRUE(reply) << "call " << i << ": " << reply.Reason();
    ASSERT_EQ(*reply, request) << "call " << i;
  }
  link.Close();
  handheld.join();
}

// What a faulty line does to the frames it is told to.
enum class LineFault { kDamage, kDrop, kRepeat, kClose };

struct FrameFault {
  bool fromHandheld = false;
  uint8_t padpType = kPadpData;
  size_t first = 0;  // the first DLP frame of that side and type affected, from 0
  size_t count = 1;
  LineFault action = LineFault::kDrop;
};

// A serial line between the desktop's and the handheld's streams that
// carries every frame whole, except those `fault` names.
class FaultyLine {
 public:
  explicit FaultyLine(FrameFault fault) : m_fault(fault) {
    auto [desktopEnd, desktopSide] = StreamPair();
    auto [handheldEnd, handheldSide] = StreamPair();
    m_desktopEnd = std::move(desktopEnd);
    m_handheldEnd = std::move(handheldEnd);
    m_desktopSide = std::move(desktopSide);
    m_handheldSide = std::move(handheldSide);
    m_toHandheld = std::thread([this] { Carry(m_desktopSide, m_handheldSide, false); });
    m_toDesktop = std::thread([this] { Carry(m_handheldSide, m_desktopSide, true); });
  }
  ~FaultyLine() {
    m_toHandheld.join();
    m_toDesktop.join();
  }

  ByteStream m_desktopEnd{-1};
  ByteStream m_handheldEnd{-1};

 private:
  // Each stream is read by one thread and written by the other; a side that
  // ends shuts both down, which ends the other thread's read too.
  void Carry(ByteStream& from, ByteStream& to, bool fromHandheld) {
    SlpReader reader;
    size_t seen = 0;
    std::vector<uint8_t> bytes(4096);
    for (;;) {
      Result<size_t> got = from.ReadSome(bytes, Clock::now() + std::chrono::seconds(20));
      if (!got || *got == 0) break;
      reader.Feed(std::span<const uint8_t>(bytes).first(*got));
      while (std::optional<SlpFrame> frame = reader.Next()) {
        const bool named = fromHandheld == m_fault.fromHandheld &&
                           frame->transaction != kCmpTransaction &&
                           frame->body.at(0) == m_fault.padpType && seen++ >= m_fault.first &&
                           seen <= m_fault.first + m_fault.count;
        if (!Forward(*frame, named ? m_fault.action : std::optional<LineFault>{}, to)) {
          ::shutdown(from.Fd(), SHUT_RDWR);
          ::shutdown(to.Fd(), SHUT_RDWR);
          return;
        }
      }
    }
    ::shutdown(to.Fd(), SHUT_RDWR);
  }

  // False when the line is to close.
  static bool Forward(const SlpFrame& frame, std::optional<LineFault> fault, ByteStream& to) {
    std::vector<uint8_t> bytes = frame.Encode();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    if (fault == LineFault::kClose) return false;
    if (fault == LineFault::kDrop) return true;
    if (fault == LineFault::kDamage) bytes.back() ^= 0x01;
    if (fault == LineFault::kRepeat && !to.WriteAll(bytes, deadline)) return false;
    return static_cast<bool>(to.WriteAll(bytes, deadline));
  }

  FrameFault m_fault;
  ByteStream m_desktopSide{-1};
  ByteStream m_handheldSide{-1};
  std::thread m_toHandheld;
  std::thread m_toDesktop;
};

struct FaultCase {
  const char* name;
  FrameFault fault;
  int failingCall;  // -1: every call succeeds
};

class SerialLineFaultTest : public testing::TestWithParam<FaultCase> {};

// Frames are counted from the first call's, whose request and reply take
// three fragments each.
TEST_P(SerialLineFaultTest, LinkRecoversOrBreaksForGood) {
  FaultyLine line(GetParam().fault);
  std::thread handheld = EchoingHandheld(std::move(line.m_handheldEnd));
  SerialDesktopLink link(std::move(line.m_desktopEnd), QuickSettings());
  ASSERT_TRUE(link.Handshake());
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> request = NumberedRequest(i, i == 0 ? 2'500 : 20);
    Result<std::vector<uint8_t>> reply = link.Call(request);
    if (i != GetParam().failingCall) {
      ASSERT_TRUE(reply) << "call " << i << ": " << reply.Reason();
      EXPECT_EQ(*reply, request) << "call " << i;
      continue;
    }
    EXPECT_FALSE(reply) << "call " << i;
    EXPECT_TRUE(link.Broken());
    const auto before = Clock::now();
    EXPECT_FALSE(link.Call(request));
    EXPECT_LT(Clock::now() - before, kQuickTiming.ackWait);
    break;
  }
  link.Close();
  handheld.join();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SerialLineFaultTest,
    testing::Values(
        FaultCase{
            "DamagedReplyFragmentIsSentAgain", {true, kPadpData, 0, 1, LineFault::kDamage}, -1},
        FaultCase{
            "DamagedRequestFragmentIsSentAgain", {false, kPadpData, 1, 1, LineFault::kDamage}, -1},
        FaultCase{"LostAckIsMadeUpByARepeat", {true, kPadpAck, 0, 1, LineFault::kDrop}, -1},
        FaultCase{"TenLostAcksFailTheCall", {true, kPadpAck, 0, 10, LineFault::kDrop}, 0},
        FaultCase{
            "RepeatedFragmentIsAckedAndUsedOnce", {true, kPadpData, 1, 1, LineFault::kRepeat}, -1},
        FaultCase{"RepeatedLastFragmentIsNotTheNextReply",
                  {true, kPadpData, 2, 1, LineFault::kRepeat},
                  -1},
        FaultCase{"HandheldClosingMidMessage", {true, kPadpData, 1, 1, LineFault::kClose}, 0}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace
