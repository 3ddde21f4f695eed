// Writing local times as stamps and ordering stamps.
#include "handheld_date_time.h"

#include <algorithm>

namespace store {

HandheldDateTime HandheldDateTime::FromPcTime(time_t pcTime, bool withSeconds) {
  HandheldDateTime stamp;
  struct tm local {};
  if (localtime_r(&pcTime, &local) == nullptr) return stamp;
  int year = local.tm_year + 1900;
  stamp.bytes[0] = static_cast<uint8_t>(year / 100);
  stamp.bytes[1] = static_cast<uint8_t>(year % 100);
  stamp.bytes[2] = static_cast<uint8_t>(local.tm_mon + 1);
  stamp.bytes[3] = static_cast<uint8_t>(local.tm_mday);
  stamp.bytes[4] = static_cast<uint8_t>(local.tm_hour);
  stamp.bytes[5] = static_cast<uint8_t>(local.tm_min);
  stamp.bytes[6] = withSeconds ? static_cast<uint8_t>(std::min(local.tm_sec, 59)) : 0;
  stamp.bytes[7] = 0;
  return stamp;
}

HandheldDateTime HandheldDateTime::FromBytes(std::span<const uint8_t> source) {
  HandheldDateTime stamp;
  std::copy_n(source.begin(), std::min(source.size(), kSize), stamp.bytes.begin());
  return stamp;
}

std::strong_ordering operator<=>(const HandheldDateTime& a, const HandheldDateTime& b) {
  for (size_t i = 0; i < 7; ++i) {
    if (a.bytes[i] != b.bytes[i]) return a.bytes[i] <=> b.bytes[i];
  }
  return std::strong_ordering::equal;
}

}  // namespace store
