#include "bytes/bytes.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ByteWriter, EncodesBothByteOrders) {
  ByteWriter w;
  w.U8(0x01);
  w.U16Be(0x0203);
  w.U32Be(0x04050607);
  w.U16Le(0x0203);
  w.U32Le(0x04050607);
  EXPECT_EQ(w.View(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 3, 2, 7, 6, 5, 4}));
}

TEST(ByteReader, DecodesWhatTheWriterWrote) {
  ByteWriter w;
  w.U16Be(0xBEEF);
  w.U32Le(0xDEADBEEF);
  w.FixedText("abc", 8);
  auto bytes = w.Take();
  ByteReader r(bytes);
  EXPECT_EQ(r.U16Be(), 0xBEEF);
  EXPECT_EQ(r.U32Le(), 0xDEADBEEFu);
  EXPECT_EQ(r.FixedText(8), "abc");
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteReader, ReadPastTheEndFailsWithoutReading) {
  std::vector<uint8_t> bytes{1, 2, 3};
  ByteReader r(bytes);
  EXPECT_EQ(r.U16Be(), 0x0102);
  EXPECT_EQ(r.U32Be(), 0u);
  EXPECT_FALSE(r.Ok());
  // A failed reader stays failed, even for reads that would fit.
  EXPECT_EQ(r.U8(), 0);
  EXPECT_TRUE(r.Bytes(1).empty());
  EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteReader, SeekBeyondEndFails) {
  std::vector<uint8_t> bytes(4);
  ByteReader r(bytes);
  r.Seek(4);
  EXPECT_TRUE(r.Ok());
  r.Seek(5);
  EXPECT_FALSE(r.Ok());
}

TEST(FixedText, FieldWithoutNulEndsAtFieldEnd) {
  std::vector<uint8_t> field{'a', 'b', 'c', 'd'};
  EXPECT_EQ(FixedTextOf(field), "abcd");
  std::vector<uint8_t> withNul{'a', 0, 'c', 'd'};
  EXPECT_EQ(FixedTextOf(withNul), "a");
}

TEST(FixedText, WriterCutsAndTerminates) {
  ByteWriter always;
  always.FixedText("abcdef", 4);
  EXPECT_EQ(always.View(), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  ByteWriter ifRoom;
  ifRoom.FixedText("abcdef", 4, TextTerminator::kIfRoom);
  EXPECT_EQ(ifRoom.View(), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
  ByteWriter padded;
  padded.FixedText("a", 3, TextTerminator::kIfRoom);
  EXPECT_EQ(padded.View(), (std::vector<uint8_t>{'a', 0, 0}));
  ByteWriter empty;
  empty.FixedText("abc", 0);
  EXPECT_EQ(empty.Size(), 0u);
}

TEST(FixedOffset, OutOfBoundsFieldsAreRefused) {
  std::vector<uint8_t> buffer(6, 0xAA);
  EXPECT_TRUE(PutU32Be(buffer, 2, 0x01020304));
  EXPECT_FALSE(PutU32Be(buffer, 3, 0));
  EXPECT_FALSE(PutU16Le(buffer, SIZE_MAX, 0));
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0xAA, 0xAA, 1, 2, 3, 4}));
  EXPECT_EQ(GetU16Be(buffer, 4), 0x0304);
  EXPECT_EQ(GetU16Le(buffer, 4), 0x0403);
  EXPECT_EQ(GetU32Le(buffer, 3), 0u);
  EXPECT_EQ(GetFixedText(buffer, 5, 2), "");
  EXPECT_FALSE(PutFixedText(buffer, 5, 2, "x"));
  EXPECT_TRUE(PutFixedText(buffer, 4, 2, "xyz"));
  EXPECT_EQ(GetFixedText(buffer, 4, 2), "x");
}

}  // namespace
}  // namespace platform

// The check value every CRC-32 implementation agrees on, and the empty input.
TEST(Crc32, MatchesTheStandardCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(platform::Crc32(
                platform::ByteSpan(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
            0xCBF43926u);
  EXPECT_EQ(platform::Crc32({}), 0u);
}
