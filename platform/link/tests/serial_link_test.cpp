#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/cmp.h"
#include "recorded_session.h"

namespace {

using namespace platform::link;
using platform::Result;
using linktest::LoadRecording;
using linktest::SerialMessages;
using linktest::StreamPair;

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
  settings.onSpeedChosen = [&](uint32_t speed) { chosenSpeed = speed; };
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

constexpr PadpTiming kQuickTiming{std::chrono::milliseconds(50), 10, std::chrono::seconds(5)};

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

TEST(SerialLink, BothEndsCarryThreeHundredCallsAcrossTheWrapOfTheirIds) {
  EXPECT_EQ(NextSerialTransaction(1), 2);
  EXPECT_EQ(NextSerialTransaction(0xFE), 1);  // 0xFF is CMP's, 0 is never used

  auto [desktopEnd, handheldEnd] = StreamPair();
  std::thread handheld = EchoingHandheld(std::move(handheldEnd));
  uint32_t chosenSpeed = 0;
  SerialLinkSettings settings = QuickSettings();
  settings.maxSpeed = 57'600;
  settings.onSpeedChosen = [&](uint32_t speed) { chosenSpeed = speed; };
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

}  // namespace
