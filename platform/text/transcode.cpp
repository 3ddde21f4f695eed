// UTF-8 <-> Windows-1252. The decoder accepts only well-formed UTF-8 (no
// overlong forms, no surrogates, nothing above U+10FFFF); anything else is
// copied one byte at a time as Windows-1252.
#include "text/transcode.h"

#include <array>
#include <cstdint>
#include <optional>

#include "text/utf8.h"

namespace platform::text {
namespace {

// Characters of the bytes 0x80 to 0x9F; the undefined bytes map to the C1
// control character of the same number.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kNoForm = '?';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsContinuationByte(char c) {
  return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

// The length of the sequence a UTF-8 lead byte starts; 0 for any other byte.
size_t SequenceLengthOf(char c) {
  const auto byte = static_cast<uint8_t>(c);
  if (byte >= 0xC2 && byte <= 0xDF) return 2;
  if (byte >= 0xE0 && byte <= 0xEF) return 3;
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  return 0;
}

// `text` without a lead byte and its continuation bytes at its end when they
// are fewer than the lead byte asks for.
std::string_view WithoutIncompleteTail(std::string_view text) {
  size_t lead = text.size();
  while (lead > 0 && text.size() - lead < 3 && IsContinuationByte(text[lead - 1])) --lead;
  if (lead == 0) return text;
  --lead;
  const size_t wanted = SequenceLengthOf(text[lead]);
  return wanted > text.size() - lead ? text.substr(0, lead) : text;
}

char Windows1252Of(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<char>(codePoint);
  }
  for (size_t i = 0; i < kHighControlRange.size(); ++i) {
    if (kHighControlRange[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return kNoForm;
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
    const size_t start = i;
    const std::optional<char32_t> codePoint = NextCodePoint(text, i);
    // A byte that starts no well-formed sequence is Windows-1252 already.
    out += codePoint ? Windows1252Of(*codePoint) : text[start];
  }
  return out;
}

std::string_view WithoutUtf8Edges(std::string_view text, bool cutAtBound) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return cutAtBound ? WithoutIncompleteTail(text) : text;
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

std::string HandheldNameToUtf8(std::string_view name) {
  const std::string utf8 = IsValidUtf8(name) ? std::string(name) : Windows1252ToUtf8(name);
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t start = i;
    const std::optional<char32_t> codePoint = NextCodePoint(utf8, i);
    const bool control =
        !codePoint || *codePoint < 0x20 || (*codePoint >= 0x7F && *codePoint < 0xA0);
    if (control) {
      out += '_';
    } else {
      out.append(utf8, start, i - start);
    }
  }
  return out;
}

}  // namespace platform::text
