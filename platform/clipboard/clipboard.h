// The clipboard: formats, each with a block of bytes, kept in the order they
// were set. One clipboard per process, as the programs that share it here
// all run in the process that owns it. It must be opened before it is
// emptied or written, and only one holder has it open at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::clipboard {

// Text in the PC's character set, ending with a NUL.
constexpr uint32_t kFormatText = 1;

// False when the clipboard is already open.
bool Open();
// False when it was not open.
bool Close();
// Removes every format; false when the clipboard is not open.
bool Empty();
// Sets (or replaces) the block of `format`; false when the clipboard is not
// open. A new format goes after the ones already there.
bool Set(uint32_t format, std::vector<uint8_t> data);

// The formats held, in the order they were set.
std::vector<uint32_t> Formats();
// The block of `format`, or nothing when the clipboard does not hold it.
std::optional<std::vector<uint8_t>> Get(uint32_t format);

}  // namespace platform::clipboard
