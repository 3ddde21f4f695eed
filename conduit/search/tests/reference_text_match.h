// The text test as the handheld user expects it, one position at a time: the
// plain reference that the tests and the fuzz target hold the fast matcher
// to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace conduit::test {

inline bool ReferenceContains(std::string_view text, std::span<const uint8_t> bytes) {
  auto fold = [](uint8_t b) -> uint8_t {
    if (b < 0x20 || b >= 0x80) return ' ';
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 32) : b;
  };
  auto upper = [](uint8_t b) -> uint8_t {
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 32) : b;
  };
  // Nothing read means no match, even for an empty text.
  if (bytes.empty() || bytes.size() < text.size()) return false;
  for (size_t p = 0; p + text.size() <= bytes.size(); ++p) {
    size_t j = 0;
    while (j < text.size() && fold(bytes[p + j]) == upper(static_cast<uint8_t>(text[j]))) ++j;
    if (j == text.size()) return true;
  }
  return false;
}

}  // namespace conduit::test
