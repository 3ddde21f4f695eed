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

// Feeds `bytes` to the reader in pieces of `piece` bytes (all at once when
// zero) and keeps the frames it hands out, encoded again.
void FeedInPieces(SlpReader& reader, std::span<const uint8_t> bytes, size_t piece,
                  std::vector<std::vector<uint8_t>>& frames) {
  if (piece == 0) piece = bytes.size();
  for (size_t at = 0; at < bytes.size(); at += piece) {
    reader.Feed(bytes.subspan(at, std::min(piece, bytes.size() - at)));
    while (auto frame = reader.Next()) frames.push_back(frame->Encode());
  }
}

std::vector<uint8_t> Join(const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

// Each side of a serial recording, read as recorded (a lone first byte of
// the signature in many reads) and one byte at a time.
struct RecordingCase : vlmtest::NamedRow {
  const char* file;
  bool fromHandheld;
  size_t loopbacks;  // all at the start
};

class SlpRecordingTest : public ::testing::TestWithParam<RecordingCase> {};

TEST_P(SlpRecordingTest, EveryFrameIsGoodAndEncodesBackToTheRecordedBytes) {
  const RecordingCase& row = GetParam();
  const auto chunks = linktest::LoadRecording(row.file);
  const std::vector<uint8_t> recorded = linktest::SideBytes(chunks, row.fromHandheld);
  const size_t loopbackBytes = row.loopbacks * (kSlpHeaderSize + kSlpCrcSize);
  ASSERT_GE(recorded.size(), loopbackBytes);
  for (size_t piece : {size_t{0}, size_t{1}}) {
    SlpReader reader;
    std::vector<std::vector<uint8_t>> frames;
    for (const linktest::RecordedChunk& chunk : chunks) {
      if (chunk.fromHandheld == row.fromHandheld) FeedInPieces(reader, chunk.bytes, piece, frames);
    }
    EXPECT_EQ(reader.Skipped().badHeaders + reader.Skipped().badCrcs, 0u) << "piece " << piece;
    EXPECT_EQ(reader.Skipped().strayBytes, 0u) << "piece " << piece;
    EXPECT_EQ(reader.Skipped().loopbacks, row.loopbacks) << "piece " << piece;
    EXPECT_EQ(reader.Pending(), 0u) << "piece " << piece;
    EXPECT_EQ(Join(frames), std::vector<uint8_t>(recorded.begin() + loopbackBytes, recorded.end()))
        << "piece " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SlpRecordingTest,
    ::testing::Values(
        RecordingCase{{"NoOpHandheld"}, "no-op-test.serial-net.json", true, 10},
        RecordingCase{{"NoOpDesktop"}, "no-op-test.serial-net.json", false, 0},
        RecordingCase{{"DeviceInfoHandheld"}, "device-info-test.serial-net.json", true, 10},
        RecordingCase{{"DeviceInfoDesktop"}, "device-info-test.serial-net.json", false, 0}),
    vlmtest::RowName());

// Damaged streams built from two recorded frames: the desktop's CMP init
// (26 bytes) and its first DLP request (22 bytes).
const std::vector<uint8_t> kInit = FromHex("beefed030302000effaf01c0000a0290010100000001c20003b0");
const std::vector<uint8_t> kRequest = FromHex("beefed030302000c01af01c0000812012004000100041d8b");
const std::vector<uint8_t> kLoopback = FromHex("beefed030303000015b8ab20");

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
  for (size_t chunk : {size_t{0}, size_t{1}}) {
    SlpReader reader;
    std::vector<std::vector<uint8_t>> frames;
    FeedInPieces(reader, row.stream, chunk, frames);
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
