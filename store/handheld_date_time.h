// HandheldDateTime: the 8-byte local date-time stamp used in handheld
// records and in "Vellamore.dat": century, year in century, month, day,
// hour, minute, second (or 0), 0. Two stamps are ordered by bytes 0 to 6 as
// unsigned numbers; the first difference decides.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <ctime>
#include <span>

namespace store {

struct HandheldDateTime {
  static constexpr size_t kSize = 8;
  std::array<uint8_t, kSize> bytes{};

  // Local time of `pcTime`; the second is written only when asked for.
  static HandheldDateTime FromPcTime(time_t pcTime, bool withSeconds);
  // The first 8 bytes of `source`, zero-padded when it is shorter.
  static HandheldDateTime FromBytes(std::span<const uint8_t> source);

  // A stamp whose century byte is 0 was never set (a file never sent).
  bool IsSet() const { return bytes[0] != 0; }

  // Ordering of bytes 0 to 6; byte 7 plays no part.
  friend std::strong_ordering operator<=>(const HandheldDateTime& a, const HandheldDateTime& b);
  friend bool operator==(const HandheldDateTime& a, const HandheldDateTime& b) {
    return (a <=> b) == 0;
  }
};

}  // namespace store
