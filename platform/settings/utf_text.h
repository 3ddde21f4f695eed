// UTF-8 and UTF-16 conversions for the settings files. QSettings works on
// UTF-16 text, so escapes in the files stand for UTF-16 units; these helpers
// carry text between that and our UTF-8 strings.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace platform::settings {

// The UTF-8 decoder itself is the shared one.
using text::IsValidUtf8;
using text::NextCodePoint;

// Appends a code point as one or two UTF-16 units.
void AppendUtf16(std::u16string& out, char32_t codePoint);

// Appends UTF-8 text as UTF-16 units; a malformed byte becomes U+FFFD.
void AppendUtf8As16(std::u16string& out, std::string_view text);

// UTF-16 units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 units to bytes, as QString::toLatin1 does ('?' above U+00FF).
std::string Utf16ToLatin1(std::u16string_view text);

}  // namespace platform::settings
