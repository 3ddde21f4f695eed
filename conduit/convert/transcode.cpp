// UTF-8 <-> Windows-1252. The decoder accepts only well-formed UTF-8 (no
// overlong forms, no surrogates, nothing above U+10FFFF); anything else is
// copied one byte at a time as Windows-1252.
#include "convert/transcode.h"

#include <array>
#include <cstdint>

namespace conduit {
namespace {

// Characters of the bytes 0x80 to 0x9F; the undefined bytes map to the C1
// control character of the same number.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kNoForm = '?';

char Windows1252Of(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<char>(codePoint);
  }
  for (size_t i = 0; i < kHighControlRange.size(); ++i) {
    if (kHighControlRange[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return kNoForm;
}

bool IsContinuation(uint8_t byte) {
  return (byte & 0xC0) == 0x80;
}

// Decodes the well-formed sequence at text[i]; returns its length, or 0 when
// the bytes there are not a well-formed sequence.
size_t DecodeSequence(std::string_view text, size_t i, char32_t& codePoint) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
  const uint8_t lead = byte(0);
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (!IsContinuation(byte(k))) return 0;
  }
  char32_t value = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) value = (value << 6) | (byte(k) & 0x3F);
  codePoint = value;
  return length;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

std::string TranscodeUtf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    // Runs of ASCII are copied as they stand.
    size_t run = i;
    while (run < text.size() && static_cast<uint8_t>(text[run]) < 0x80) ++run;
    out.append(text.data() + i, run - i);
    i = run;
    if (i == text.size()) break;
    char32_t codePoint = 0;
    const size_t length = DecodeSequence(text, i, codePoint);
    if (length == 0) {
      out += text[i];  // not UTF-8: already Windows-1252
      ++i;
    } else {
      out += Windows1252Of(codePoint);
      i += length;
    }
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      out += c;
    } else if (byte < 0xA0) {
      AppendUtf8(out, kHighControlRange[byte - 0x80]);
    } else {
      AppendUtf8(out, byte);
    }
  }
  return out;
}

}  // namespace conduit
