#include "link/serial_link.h"

#include <gtest/gtest.h>

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
