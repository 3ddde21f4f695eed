// UTF-8 one code point at a time: the strict decoder and the encoder shared
// by every place that reads or writes UTF-8 text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

// The code point that starts at text[pos], advancing pos past it; nothing
// (and one byte consumed) when the bytes there are not well-formed UTF-8
// (an overlong form, a surrogate, above U+10FFFF, or cut short).
std::optional<char32_t> NextCodePoint(std::string_view text, size_t& pos);

// Appends a code point (at most U+10FFFF) in one to four bytes.
void AppendUtf8(std::string& out, char32_t codePoint);

// True when `text` is well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view text);

}  // namespace platform::text
