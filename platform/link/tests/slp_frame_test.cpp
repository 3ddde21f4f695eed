#include "link/slp_frame.h"

#include <gtest/gtest.h>

#include <string_view>

#include "recorded_session.h"
#include "testing/table.h"

namespace {

using namespace platform::link;
using linktest::FromHex;

struct CrcCase : vlmtest::NamedRow {
  std::vector<uint8_t> bytes;
  uint16_t crc;
};

class SlpCrcTest : public ::testing::TestWithParam<CrcCase> {};

TEST_P(SlpCrcTest, MatchesKnownValue) {
  EXPECT_EQ(SlpCrc16(GetParam().bytes), GetParam().crc);
}

constexpr std::string_view kCheckText = "123456789";

INSTANTIATE_TEST_SUITE_P(
    Table, SlpCrcTest,
    ::testing::Values(CrcCase{{"Empty"}, {}, 0},
                      CrcCase{{"CheckText"}, {kCheckText.begin(), kCheckText.end()}, 0x31C3},
                      CrcCase{{"RecordedAck"}, FromHex("beefed0303020004ffa502c0000a"), 0x1A85}),
    vlmtest::RowName());

// Each side of a serial recording, read as recorded (a lone first byte of
// the signature in many reads) and one byte at a time.
struct RecordingCase : vlmtest::NamedRow {
  const char* file;
  bool fromHandheld;
  bool byteByByte;
  size_t loopbacks;  // all at the start
};

class SlpRecordingTest : public ::testing::TestWithParam<RecordingCase> {};

TEST_P(SlpRecordingTest, EveryFrameIsGoodAndEncodesBackToTheRecordedBytes) {
  const RecordingCase& row = GetParam();
  const auto chunks = linktest::LoadRecording(row.file);
  SlpReader reader;
  std::vector<uint8_t> reencoded;
  for (const linktest::RecordedChunk& chunk : chunks) {
    if (chunk.fromHandheld != row.fromHandheld) continue;
    for (size_t at = 0; at < chunk.bytes.size();) {
      const size_t size = row.byteByByte ? 1 : chunk.bytes.size();
      reader.Feed(std::span(chunk.bytes).subspan(at, size));
      at += size;
      while (auto frame = reader.Next()) {
        EXPECT_EQ(frame->type, kSlpTypePadp);
        EXPECT_EQ(frame->destination, kSlpDlpSocket);
        EXPECT_EQ(frame->source, kSlpDlpSocket);
        const std::vector<uint8_t> bytes = frame->Encode();
        reencoded.insert(reencoded.end(), bytes.begin(), bytes.end());
      }
    }
  }
  EXPECT_EQ(reader.Skipped().badHeaders, 0u);
  EXPECT_EQ(reader.Skipped().badCrcs, 0u);
  EXPECT_EQ(reader.Skipped().strayBytes, 0u);
  EXPECT_EQ(reader.Skipped().loopbacks, row.loopbacks);
  EXPECT_EQ(reader.Pending(), 0u);
  const std::vector<uint8_t> recorded = linktest::SideBytes(chunks, row.fromHandheld);
  const size_t loopbackBytes = row.loopbacks * (kSlpHeaderSize + kSlpCrcSize);
  ASSERT_GE(recorded.size(), loopbackBytes);
  EXPECT_EQ(reencoded, std::vector<uint8_t>(recorded.begin() + loopbackBytes, recorded.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SlpRecordingTest,
    ::testing::Values(
        RecordingCase{{"NoOpHandheld"}, "no-op-test.serial-net.json", true, false, 10},
        RecordingCase{{"NoOpHandheldByteByByte"}, "no-op-test.serial-net.json", true, true, 10},
        RecordingCase{{"NoOpDesktop"}, "no-op-test.serial-net.json", false, false, 0},
        RecordingCase{{"DeviceInfoHandheld"}, "device-info-test.serial-net.json", true, false, 10},
        RecordingCase{
            {"DeviceInfoHandheldByteByByte"}, "device-info-test.serial-net.json", true, true, 10},
        RecordingCase{{"DeviceInfoDesktop"}, "device-info-test.serial-net.json", false, false, 0}),
    vlmtest::RowName());

// Damaged streams built from two recorded frames: the desktop's CMP init
// (26 bytes) and its first DLP request (22 bytes).
const std::vector<uint8_t> kInit = FromHex("beefed030302000effaf01c0000a0290010100000001c20003b0");
const std::vector<uint8_t> kRequest = FromHex(
    "beefed030302000c01af01c000081201200400010004"
    "1d8b");
const std::vector<uint8_t> kLoopback = FromHex("beefed030303000015b8ab20");

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

std::vector<uint8_t> Flipped(std::vector<uint8_t> bytes, size_t at) {
  bytes[at] ^= 0x01;
  return bytes;
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t size) {
  return {bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size)};
}

struct DamageCase : vlmtest::NamedRow {
  std::vector<uint8_t> stream;
  std::vector<std::vector<uint8_t>> frames;  // what comes out, encoded
  SlpSkipped skipped;
  size_t pending = 0;
};

class SlpDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SlpDamageTest, SkipsTheDamageCountsItAndFindsTheNextFrame) {
  const DamageCase& row = GetParam();
  for (size_t chunk : {row.stream.size(), size_t{1}}) {
    SlpReader reader;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 0; at < row.stream.size(); at += chunk) {
      reader.Feed(std::span(row.stream).subspan(at, std::min(chunk, row.stream.size() - at)));
      while (auto frame = reader.Next()) frames.push_back(frame->Encode());
    }
    EXPECT_EQ(frames, row.frames) << "chunk " << chunk;
    EXPECT_EQ(reader.Skipped().strayBytes, row.skipped.strayBytes) << "chunk " << chunk;
    EXPECT_EQ(reader.Skipped().badHeaders, row.skipped.badHeaders) << "chunk " << chunk;
    EXPECT_EQ(reader.Skipped().badCrcs, row.skipped.badCrcs) << "chunk " << chunk;
    EXPECT_EQ(reader.Skipped().loopbacks, row.skipped.loopbacks) << "chunk " << chunk;
    EXPECT_EQ(reader.Pending(), row.pending) << "chunk " << chunk;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SlpDamageTest,
    ::testing::Values(
        DamageCase{{"NoiseAndAPartSignatureBefore"},
                   Join({FromHex("00beef01be"), kInit}),
                   {kInit},
                   {5, 0, 0, 0}},
        DamageCase{{"BadHeaderCheck"},
                   Join({Flipped(kInit, 9), kRequest}),
                   {kRequest},
                   {kInit.size(), 1, 0, 0}},
        DamageCase{{"BadLength"},
                   Join({Flipped(kInit, 7), kRequest}),
                   {kRequest},
                   {kInit.size(), 1, 0, 0}},
        DamageCase{
            {"BadBody"}, Join({Flipped(kInit, 14), kRequest}), {kRequest}, {kInit.size(), 0, 1, 0}},
        DamageCase{
            {"BadCrc"}, Join({Flipped(kInit, 25), kRequest}), {kRequest}, {kInit.size(), 0, 1, 0}},
        DamageCase{
            {"TruncatedThenWhole"}, Join({Cut(kInit, 15), kRequest}), {kRequest}, {15, 0, 1, 0}},
        DamageCase{{"LoopbackSkipped"}, Join({kLoopback, kInit}), {kInit}, {0, 0, 0, 1}},
        DamageCase{
            {"WaitsForTheRest"}, Join({kInit, Cut(kRequest, 21)}), {kInit}, {0, 0, 0, 0}, 21},
        DamageCase{{"LoneSignatureByteKept"}, FromHex("be"), {}, {0, 0, 0, 0}, 1}),
    vlmtest::RowName());

}  // namespace
