// The stamp's fields from a local time, and its ordering.
#include "handheld_date_time.h"

#include <gtest/gtest.h>

#include <array>
#include <ctime>

#include "testing/files.h"

namespace store {
namespace {

using vlmtest::LocalTime;

HandheldDateTime Stamp(std::array<uint8_t, 8> bytes) {
  return HandheldDateTime{bytes};
}

TEST(HandheldDateTime, WritesCenturyYearMonthDayHourMinute) {
  struct Case {
    time_t time;
    bool withSeconds;
    std::array<uint8_t, 8> expected;
  } cases[] = {
      {LocalTime(2001, 3, 5, 14, 7, 0), false, {20, 1, 3, 5, 14, 7, 0, 0}},
      {LocalTime(2001, 3, 5, 14, 7, 42), false, {20, 1, 3, 5, 14, 7, 0, 0}},
      {LocalTime(2001, 3, 5, 14, 7, 42), true, {20, 1, 3, 5, 14, 7, 42, 0}},
      {LocalTime(1999, 12, 31, 23, 59, 59), true, {19, 99, 12, 31, 23, 59, 59, 0}},
      {LocalTime(2100, 1, 1, 0, 0, 0), false, {21, 0, 1, 1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HandheldDateTime::FromPcTime(c.time, c.withSeconds).bytes, c.expected);
  }
}

TEST(HandheldDateTime, OrdersByBytesZeroToSixAsUnsignedNumbers) {
  const std::array<uint8_t, 8> base = {20, 1, 3, 5, 14, 7, 30, 0};
  for (size_t i = 0; i < 7; ++i) {
    std::array<uint8_t, 8> later = base;
    later[i] = 200;  // above 127: a signed comparison would get this wrong
    EXPECT_LT(Stamp(base), Stamp(later)) << "byte " << i;
    EXPECT_GT(Stamp(later), Stamp(base)) << "byte " << i;
    EXPECT_NE(Stamp(base), Stamp(later)) << "byte " << i;
  }
  // An earlier byte decides over every later one.
  EXPECT_LT(Stamp({20, 1, 3, 5, 14, 7, 59, 0}), Stamp({20, 1, 3, 5, 14, 8, 0, 0}));
  EXPECT_LT(Stamp({19, 99, 12, 31, 23, 59, 59, 0}), Stamp({20, 0, 1, 1, 0, 0, 0, 0}));
}

TEST(HandheldDateTime, IgnoresByteSeven) {
  auto a = Stamp({20, 1, 3, 5, 14, 7, 0, 0});
  auto b = Stamp({20, 1, 3, 5, 14, 7, 0, 255});
  EXPECT_EQ(a, b);
  EXPECT_EQ(a <=> b, std::strong_ordering::equal);
}

TEST(HandheldDateTime, FromBytesPadsShortInputAndIgnoresExtra) {
  const uint8_t bytes[] = {20, 1, 3, 5, 14, 7, 9, 1, 77};
  EXPECT_EQ(HandheldDateTime::FromBytes(bytes).bytes,
            (std::array<uint8_t, 8>{20, 1, 3, 5, 14, 7, 9, 1}));
  EXPECT_EQ(HandheldDateTime::FromBytes(std::span(bytes, 3)).bytes,
            (std::array<uint8_t, 8>{20, 1, 3, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(HandheldDateTime::FromBytes({}).IsSet());
  EXPECT_TRUE(HandheldDateTime::FromBytes(bytes).IsSet());
}

}  // namespace
}  // namespace store
