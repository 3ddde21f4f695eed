// UTF-8 and UTF-16 conversions for the settings files, with the replacement
// character for malformed input, as Qt converts.
#include "utf_text.h"

namespace platform::settings {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

}  // namespace

void AppendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out += static_cast<char16_t>(codePoint);
  } else {
    codePoint -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  }
}

void AppendUtf8As16(std::u16string& out, std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) AppendUtf16(out, NextCodePoint(text, pos).value_or(kReplacement));
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      platform::text::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      platform::text::AppendUtf8(out, kReplacement);
    } else {
      platform::text::AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string Utf16ToLatin1(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) out += unit <= 0xFF ? static_cast<char>(unit) : '?';
  return out;
}

}  // namespace platform::settings
