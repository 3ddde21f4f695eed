// Hands a text out of a C export through a caller's buffer with size
// in/out: the buffer's size comes in, the text's length (or the bytes
// needed) goes out. Nothing is written outside the buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace hotsync {

// Copies `text` and a NUL into `buffer` when `*size` (its size in bytes)
// has room, and sets `*size` to the text's length. Otherwise leaves the
// buffer alone, sets `*size` to the bytes needed (clamped to the largest
// value of the size type) and returns false.
template <typename SizeType>
bool CopyTextOut(std::string_view text, char* buffer, SizeType* size) {
  const int64_t capacity = *size;
  const int64_t length = static_cast<int64_t>(text.size());
  if (capacity < 0 || length + 1 > capacity) {
    const int64_t needed = length + 1;
    const int64_t largest = std::numeric_limits<SizeType>::max();
    *size = static_cast<SizeType>(needed < largest ? needed : largest);
    return false;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  *size = static_cast<SizeType>(length);
  return true;
}

}  // namespace hotsync
