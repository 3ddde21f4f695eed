#include "link/cmp.h"

#include <gtest/gtest.h>

#include "link/padp.h"
#include "link/slp_frame.h"
#include "recorded_session.h"
#include "testing/table.h"

namespace {

using namespace platform::link;
using linktest::FromHex;

struct AnswerCase : vlmtest::NamedRow {
  CmpMessage wakeup;
  uint32_t desktopMaxSpeed;
  bool desktopLongPadp;
  const char* answer;  // hex
};

class CmpAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(CmpAnswerTest, AnswersTheWakeup) {
  const AnswerCase& row = GetParam();
  const CmpMessage answer = CmpAnswer(row.wakeup, row.desktopMaxSpeed, row.desktopLongPadp);
  EXPECT_EQ(answer.Encode(), FromHex(row.answer));
  auto decoded = CmpMessage::Decode(answer.Encode());
  ASSERT_TRUE(decoded) << decoded.Reason();
  EXPECT_EQ(decoded->Encode(), answer.Encode());
}

constexpr CmpMessage Wakeup(uint8_t flags, uint8_t major, uint32_t speed) {
  return {kCmpWakeup, flags, major, 3, 0, speed};
}

INSTANTIATE_TEST_SUITE_P(Table, CmpAnswerTest,
                         ::testing::Values(AnswerCase{{"BothFast"},
                                                      Wakeup(kCmpLongPadp, 1, 115200),
                                                      115200,
                                                      true,
                                                      "0290010100000001c200"},
                                           AnswerCase{{"DesktopSlower"},
                                                      Wakeup(kCmpLongPadp, 1, 115200),
                                                      19200,
                                                      true,
                                                      "0290010100000000"
                                                      "4b00"},
                                           AnswerCase{{"StartSpeedNeedsNoChange"},
                                                      Wakeup(kCmpLongPadp, 1, 9600),
                                                      115200,
                                                      true,
                                                      "02100101000000002580"},
                                           AnswerCase{{"HandheldWithoutLongHeaders"},
                                                      Wakeup(0, 1, 57600),
                                                      115200,
                                                      true,
                                                      "0280010100000000e100"},
                                           AnswerCase{{"DesktopWithoutLongHeaders"},
                                                      Wakeup(kCmpLongPadp, 1, 57600),
                                                      115200,
                                                      false,
                                                      "0280010100000000e100"},
                                           AnswerCase{{"OtherMajorVersion"},
                                                      Wakeup(kCmpLongPadp, 2, 115200),
                                                      115200,
                                                      true,
                                                      "03800101000000000000"}),
                         vlmtest::RowName());

TEST(CmpDecode, RefusesShortMessagesAndUnknownTypes) {
  const std::vector<uint8_t> wakeup = FromHex("0110010300000001c200");
  for (size_t cut = 0; cut < kCmpSize; ++cut) {
    EXPECT_FALSE(CmpMessage::Decode(std::span(wakeup).first(cut))) << "cut " << cut;
  }
  for (uint8_t type : {0, 4, 0xFF}) {
    std::vector<uint8_t> bytes = wakeup;
    bytes[0] = type;
    EXPECT_FALSE(CmpMessage::Decode(bytes)) << "type " << int{type};
  }
}

// The handheld's wakeup in each serial recording, answered by us, gives
// the recorded desktop's init frame byte for byte.
TEST(CmpRecorded, OurInitEqualsTheRecordedOne) {
  for (const char* file : {"no-op-test.serial-net.json", "device-info-test.serial-net.json"}) {
    const auto chunks = linktest::LoadRecording(file);
    const auto handheld = linktest::SerialMessages(chunks, true);
    ASSERT_FALSE(handheld.empty());
    auto wakeup = CmpMessage::Decode(handheld.front().bytes);
    ASSERT_TRUE(wakeup) << wakeup.Reason();
    EXPECT_EQ(wakeup->type, kCmpWakeup);
    EXPECT_EQ(wakeup->speed, 115200u);

    const CmpMessage init = CmpAnswer(*wakeup, 115200, true);
    auto fragments = FragmentPadpMessage(init.Encode(), false);
    ASSERT_TRUE(fragments);
    ASSERT_EQ(fragments->size(), 1u);
    const SlpFrame frame{kSlpDlpSocket, kSlpDlpSocket, kSlpTypePadp, handheld.front().transaction,
                         fragments->front().Encode()};
    const auto desktop = linktest::SerialFrames(chunks, false);
    ASSERT_GE(desktop.size(), 2u);
    EXPECT_EQ(frame.Encode(), desktop[1].Encode()) << file;  // after the wakeup's ack
  }
}

}  // namespace
