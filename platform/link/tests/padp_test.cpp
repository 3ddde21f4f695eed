#include "link/padp.h"

#include <gtest/gtest.h>

#include <set>

#include "link/netsync_packet.h"
#include "recorded_session.h"
#include "testing/table.h"

namespace {

using namespace platform::link;

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

struct FragmentCase : vlmtest::NamedRow {
  size_t size;
  bool longForm;
  size_t fragments;
};

class PadpFragmentTest : public ::testing::TestWithParam<FragmentCase> {};

TEST_P(PadpFragmentTest, FragmentsDecodeAndReassembleToTheMessage) {
  const FragmentCase& row = GetParam();
  const std::vector<uint8_t> message = Pattern(row.size);
  auto fragments = FragmentPadpMessage(message, row.longForm);
  ASSERT_TRUE(fragments) << fragments.Reason();
  ASSERT_EQ(fragments->size(), row.fragments);
  PadpReassembler reassembler;
  for (size_t i = 0; i < fragments->size(); ++i) {
    const std::vector<uint8_t> body = (*fragments)[i].Encode();
    const bool longHeader = row.longForm || row.size > 0xFFFF;
    EXPECT_EQ(body.size() - (*fragments)[i].data.size(),
              longHeader ? kPadpLongHeaderSize : kPadpShortHeaderSize);
    EXPECT_EQ(body[1] & kPadpLongForm, longHeader ? kPadpLongForm : 0);
    EXPECT_EQ((*fragments)[i].sizeOrOffset, i == 0 ? row.size : i * kPadpMaxFragmentData);
    auto decoded = PadpFragment::Decode(body);
    ASSERT_TRUE(decoded) << decoded.Reason();
    auto taken = reassembler.Take(9, *decoded);
    ASSERT_TRUE(taken) << taken.Reason();
    EXPECT_EQ(taken->has_value(), i + 1 == fragments->size());
    if (*taken) {
      EXPECT_EQ(**taken, message);
    }
  }
  for (size_t cut = 0; cut < (row.longForm ? kPadpLongHeaderSize : kPadpShortHeaderSize); ++cut) {
    const std::vector<uint8_t> body = fragments->front().Encode();
    EXPECT_FALSE(PadpFragment::Decode(std::span(body).first(cut))) << "cut " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, PadpFragmentTest,
                         ::testing::Values(FragmentCase{{"Empty"}, 0, false, 1},
                                           FragmentCase{{"OneByte"}, 1, false, 1},
                                           FragmentCase{{"OneFullFragment"}, 1024, false, 1},
                                           FragmentCase{{"OneByteOver"}, 1025, false, 2},
                                           FragmentCase{{"Three"}, 3000, false, 3},
                                           FragmentCase{{"LongFormAsked"}, 2000, true, 2},
                                           FragmentCase{{"PastSixteenBits"}, 70000, false, 69}),
                         vlmtest::RowName());

// Fragments taken in turn; each row ends with what came out.
struct Step {
  uint8_t transaction;
  PadpFragment fragment;
};

PadpFragment Data(uint8_t flags, uint32_t sizeOrOffset, size_t dataSize) {
  return {kPadpData, flags, sizeOrOffset, Pattern(dataSize)};
}

constexpr uint8_t kWhole = kPadpFirst | kPadpLast;

struct ReassemblyCase : vlmtest::NamedRow {
  std::vector<Step> steps;
  size_t messages;
  size_t refusals;
  size_t repeats;
};

class PadpReassemblyTest : public ::testing::TestWithParam<ReassemblyCase> {};

TEST_P(PadpReassemblyTest, TakesEachFragmentOnceAndRefusesWhatDoesNotFit) {
  const ReassemblyCase& row = GetParam();
  PadpReassembler reassembler;
  size_t messages = 0;
  size_t refusals = 0;
  for (const Step& step : row.steps) {
    auto taken = reassembler.Take(step.transaction, step.fragment);
    if (!taken) {
      EXPECT_FALSE(taken.Reason().empty());
      ++refusals;
    } else if (*taken) {
      ++messages;
    }
  }
  EXPECT_EQ(messages, row.messages);
  EXPECT_EQ(refusals, row.refusals);
  EXPECT_EQ(reassembler.Repeats(), row.repeats);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadpReassemblyTest,
    ::testing::Values(
        ReassemblyCase{{"RepeatedWholeMessage"},
                       {{1, Data(kWhole, 8, 8)},
                        {1, Data(kWhole, 8, 8)},
                        {1, Data(kWhole, 8, 8)},
                        {2, Data(kWhole, 8, 8)}},
                       2,
                       0,
                       2},
        ReassemblyCase{{"RepeatedFirstFragment"},
                       {{1, Data(kPadpFirst, 1500, 1024)},
                        {1, Data(kPadpFirst, 1500, 1024)},
                        {1, Data(kPadpLast, 1024, 476)}},
                       1,
                       0,
                       1},
        ReassemblyCase{
            {"OutOfOrder"}, {{1, Data(kPadpFirst, 3000, 1024)}, {1, Data(0, 2048, 1024)}}, 0, 1, 0},
        ReassemblyCase{{"LaterFragmentWithoutFirst"}, {{1, Data(kPadpLast, 1024, 10)}}, 0, 1, 0},
        ReassemblyCase{{"LaterFragmentUnderAnotherTransaction"},
                       {{1, Data(kPadpFirst, 1500, 1024)}, {2, Data(kPadpLast, 1024, 476)}},
                       0,
                       1,
                       0},
        ReassemblyCase{{"NewMessageBeforeTheLastEnded"},
                       {{1, Data(kPadpFirst, 1500, 1024)}, {2, Data(kWhole, 8, 8)}},
                       0,
                       1,
                       0},
        ReassemblyCase{{"DataPastTheSize"}, {{1, Data(kWhole, 4, 8)}}, 0, 1, 0},
        ReassemblyCase{{"EndsShortOfTheSize"}, {{1, Data(kWhole, 8, 4)}}, 0, 1, 0},
        ReassemblyCase{{"FragmentTooLong"}, {{1, Data(kWhole, 1025, 1025)}}, 0, 1, 0},
        ReassemblyCase{{"SizeTooLong"}, {{1, Data(kPadpFirst, kPadpMaxMessage + 1, 1)}}, 0, 1, 0},
        ReassemblyCase{{"NotData"}, {{1, {kPadpTickle, 0, 0, {}}}}, 0, 1, 0},
        ReassemblyCase{
            {"NextMessageAfterARefusal"},
            {{1, Data(kPadpFirst, 3000, 1024)}, {1, Data(0, 2048, 1024)}, {2, Data(kWhole, 8, 8)}},
            1,
            1,
            0}),
    vlmtest::RowName());

// The DLP messages of one side of a network recording, after the handshake.
std::vector<std::vector<uint8_t>> NetMessages(const std::string& file, bool fromHandheld) {
  std::vector<std::vector<uint8_t>> messages;
  const size_t handshake = fromHandheld ? 3 : 2;
  const auto packets = linktest::Packets(linktest::LoadRecording(file), fromHandheld);
  for (size_t i = handshake; i < packets.size(); ++i) {
    messages.emplace_back(packets[i].begin() + kNetSyncHeadSize, packets[i].end());
  }
  return messages;
}

struct SerialCase : vlmtest::NamedRow {
  const char* serialFile;
  const char* netFile;
  bool fromHandheld;
  // Messages equal to the network ones byte for byte; the rest differ only
  // in what the handhelds held (ROM version, clock, user name).
  size_t sameBytes;
};

class PadpRecordingTest : public ::testing::TestWithParam<SerialCase> {};

TEST_P(PadpRecordingTest, ReassemblesTheSameCallsAsTheNetworkRecording) {
  const SerialCase& row = GetParam();
  const auto serial =
      linktest::SerialMessages(linktest::LoadRecording(row.serialFile), row.fromHandheld);
  const auto net = NetMessages(row.netFile, row.fromHandheld);
  // The serial side begins with the CMP wakeup or init, which NetSync has not.
  ASSERT_EQ(serial.size(), net.size() + 1);
  size_t sameBytes = 0;
  for (size_t i = 0; i < net.size(); ++i) {
    const std::vector<uint8_t>& message = serial[i + 1].bytes;
    ASSERT_FALSE(message.empty());
    ASSERT_FALSE(net[i].empty());
    EXPECT_EQ(message[0], net[i][0]) << "message " << i;  // the same call
    if (message == net[i]) ++sameBytes;
  }
  EXPECT_EQ(sameBytes, row.sameBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadpRecordingTest,
    ::testing::Values(
        SerialCase{{"NoOpDesktop"}, "no-op-test.serial-net.json", "no-op-test.net.json", false, 3},
        SerialCase{{"NoOpHandheld"}, "no-op-test.serial-net.json", "no-op-test.net.json", true, 1},
        SerialCase{{"DeviceInfoDesktop"},
                   "device-info-test.serial-net.json",
                   "device-info-test.net.json",
                   false,
                   10},
        SerialCase{{"DeviceInfoHandheld"},
                   "device-info-test.serial-net.json",
                   "device-info-test.net.json",
                   true,
                   6}),
    vlmtest::RowName());

// Our ack for every data frame the handheld sent is one the recorded
// desktop sent, and the desktop sent no other.
TEST(PadpRecordedAcks, EqualTheRecordedDesktopsAcks) {
  for (const char* file : {"no-op-test.serial-net.json", "device-info-test.serial-net.json"}) {
    const auto chunks = linktest::LoadRecording(file);
    std::set<std::vector<uint8_t>> ours;
    for (const SlpFrame& frame : linktest::SerialFrames(chunks, true)) {
      auto fragment = PadpFragment::Decode(frame.body);
      ASSERT_TRUE(fragment) << fragment.Reason();
      if (fragment->type != kPadpData) continue;
      ours.insert(SlpFrame{kSlpDlpSocket, kSlpDlpSocket, kSlpTypePadp, frame.transaction,
                           PadpAckFor(*fragment).Encode()}
                      .Encode());
    }
    std::set<std::vector<uint8_t>> recorded;
    for (const SlpFrame& frame : linktest::SerialFrames(chunks, false)) {
      if (!frame.body.empty() && frame.body[0] == kPadpAck) recorded.insert(frame.Encode());
    }
    EXPECT_EQ(ours, recorded) << file;
  }
}

}  // namespace
