// Escaping of names and values in the INI files, following QSettings'
// reading and writing rules step by step (including its quirks, such as a
// hexadecimal escape running on over every following hex digit, which is why
// the writer escapes a hex digit that follows one).
#include "ini_escape.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "utf_text.h"

namespace platform::settings {
namespace {

// The parts one after another. (Appending, rather than operator+ on a
// temporary, keeps GCC 12's -Wrestrict false alarm out of optimised builds.)
std::string Concatenated(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text += part;
  return text;
}

constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

bool IsHexDigit(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Lower-case hexadecimal without leading zeros, as QByteArray::number(n, 16).
std::string LowerHex(unsigned value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kHexLower[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

bool IsPlainNameCharacter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

void AppendPercentEscape(std::string& out, char16_t unit) {
  if (unit <= 0xFF) {
    out += '%';
    out += kHexUpper[unit >> 4];
    out += kHexUpper[unit & 0xF];
  } else {
    out += "%U";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHexUpper[(unit >> shift) & 0xF];
  }
}

// The escapes by letter that QSettings reads: "\n" and the like.
constexpr std::pair<char, char> kNamedEscapes[] = {
    {'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
    {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};

// The letter of the escape that QSettings writes for `c` (it writes none for
// '?' and '\''), or 0.
char WrittenEscapeLetter(unsigned char c) {
  if (c == '?' || c == '\'') return 0;
  for (const auto& [letter, character] : kNamedEscapes) {
    if (static_cast<unsigned char>(character) == c) return letter;
  }
  return 0;
}

// Escapes a string as QSettings' iniEscapedString. `utf8` false is the
// byte-array form, where every byte from 0x7F up is written as \xNN.
std::string EscapeString(std::string_view text, bool utf8) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  bool needsQuotes = false;
  bool escapeNextIfDigit = false;
  for (char c : text) {
    auto ch = static_cast<unsigned char>(c);
    if (ch == ';' || ch == ',' || ch == '=') needsQuotes = true;
    if (escapeNextIfDigit && IsHexDigit(ch)) {
      out += "\\x" + LowerHex(ch);
      continue;
    }
    escapeNextIfDigit = false;
    if (ch == '\0') {
      out += "\\0";
      escapeNextIfDigit = true;
    } else if (char letter = WrittenEscapeLetter(ch)) {
      out += '\\';
      out += letter;
    } else if (ch <= 0x1F || (ch >= 0x7F && !utf8)) {
      out += "\\x" + LowerHex(ch);
      escapeNextIfDigit = true;
    } else {
      out += c;
    }
  }
  if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) {
    out = '"' + out + '"';
  }
  return out;
}

bool IsAsciiSpace(char32_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The digits of a %XX or %UXXXX escape in a name, read as QString::toUShort
// with base 16 reads them: blanks around, a '+' and a "0x" are allowed.
std::optional<char16_t> ParseEscapeDigits(std::u16string_view digits) {
  while (!digits.empty() && IsAsciiSpace(digits.front())) digits.remove_prefix(1);
  while (!digits.empty() && IsAsciiSpace(digits.back())) digits.remove_suffix(1);
  if (!digits.empty() && digits.front() == u'+') digits.remove_prefix(1);
  if (digits.size() >= 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X')) {
    digits.remove_prefix(2);
  }
  if (digits.empty()) return std::nullopt;
  uint16_t value = 0;
  for (char16_t digit : digits) {
    if (!IsHexDigit(digit)) return std::nullopt;
    value = static_cast<uint16_t>((value << 4) | HexValue(digit));
  }
  return value;
}

std::optional<char16_t> SimpleEscape(char c) {
  for (const auto& [letter, character] : kNamedEscapes) {
    if (letter == c) return static_cast<char16_t>(character);
  }
  return std::nullopt;
}

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  return pos;
}

void ChopBlanks(std::u16string& text, size_t limit) {
  while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
}

struct UnescapedValue {
  std::u16string text;
  bool isList = false;
};

// Reads a numeric escape whose first digit is at text[pos]: hexadecimal
// digits for \x, octal for \0 to \7 (whose first digit is `first`). The value
// wraps at 16 bits, as in QSettings.
char16_t ReadNumericEscape(std::string_view text, size_t& pos, bool hex, unsigned first) {
  uint16_t value = static_cast<uint16_t>(first);
  while (pos < text.size()) {
    char c = text[pos];
    if (hex && IsHexDigit(static_cast<unsigned char>(c))) {
      value = static_cast<uint16_t>((value << 4) | HexValue(static_cast<unsigned char>(c)));
    } else if (!hex && c >= '0' && c <= '7') {
      value = static_cast<uint16_t>((value << 3) | static_cast<unsigned>(c - '0'));
    } else {
      break;
    }
    ++pos;
  }
  return value;
}

// The escape that begins after a backslash at text[pos]. Returns false when
// the text ends inside it, which ends the value without trimming blanks.
bool ReadEscape(std::string_view text, size_t& pos, std::u16string& out) {
  if (pos >= text.size()) return false;
  char c = text[pos++];
  if (auto simple = SimpleEscape(c)) {
    out += *simple;
  } else if (c == 'x') {
    if (pos >= text.size()) return false;
    if (IsHexDigit(static_cast<unsigned char>(text[pos]))) {
      out += ReadNumericEscape(text, pos, true, 0);
      if (pos >= text.size()) return false;
    }
  } else if (c >= '0' && c <= '7') {
    out += ReadNumericEscape(text, pos, false, static_cast<unsigned>(c - '0'));
    if (pos >= text.size()) return false;
  } else if (c == '\n' || c == '\r') {
    // An escaped line break joins the next line; its partner goes too.
    if (pos < text.size() && (text[pos] == '\n' || text[pos] == '\r') && text[pos] != c) ++pos;
  }
  // Any other escaped character is dropped.
  return true;
}

// QSettings' iniUnescapedStringList: the text of a stored value, or the note
// that it is a list.
UnescapedValue UnescapeStored(std::string_view text) {
  UnescapedValue result;
  std::u16string& current = result.text;
  bool inQuotes = false;
  bool currentQuoted = false;
  size_t pos = SkipBlanks(text, 0);
  size_t chopLimit = 0;
  while (pos < text.size()) {
    char c = text[pos];
    if (c == '\\') {
      ++pos;
      if (!ReadEscape(text, pos, current)) return result;
      chopLimit = current.size();
    } else if (c == '"') {
      ++pos;
      currentQuoted = true;
      inQuotes = !inQuotes;
      if (!inQuotes) {
        pos = SkipBlanks(text, pos);
        chopLimit = current.size();
      }
    } else if (c == ',' && !inQuotes) {
      result.isList = true;
      current.clear();
      currentQuoted = false;
      pos = SkipBlanks(text, pos + 1);
      chopLimit = 0;
    } else {
      size_t end = pos + 1;
      while (end < text.size() && text[end] != '\\' && text[end] != '"' && text[end] != ',') ++end;
      AppendUtf8As16(current, text.substr(pos, end - pos));
      pos = end;
    }
  }
  if (!currentQuoted) ChopBlanks(current, chopLimit);
  return result;
}

bool StartsWith(std::u16string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (text[i] != static_cast<unsigned char>(prefix[i])) return false;
  }
  return true;
}

// The text of a value as QSettings' stringToVariant(...).toString() gives it,
// for the forms a text setting can take. Other typed forms (points, rects,
// streamed variants) are returned as written.
std::string ValueText(std::u16string_view text) {
  if (StartsWith(text, "@")) {
    if (text.back() == u')') {
      if (StartsWith(text, "@ByteArray(")) return Utf16ToLatin1(text.substr(11, text.size() - 12));
      if (StartsWith(text, "@String(")) return Utf16ToUtf8(text.substr(8, text.size() - 9));
      if (text == u"@Invalid()") return {};
    }
    if (StartsWith(text, "@@")) return Utf16ToUtf8(text.substr(1));
  }
  return Utf16ToUtf8(text);
}

}  // namespace

std::string EscapeName(std::string_view name) {
  std::string out;
  size_t pos = 0;
  while (pos < name.size()) {
    size_t start = pos;
    // A malformed byte stands for itself, as a Latin-1 character would.
    char32_t c = NextCodePoint(name, pos).value_or(static_cast<unsigned char>(name[start]));
    if (c == '/') {
      out += '\\';
    } else if (IsPlainNameCharacter(c)) {
      out += static_cast<char>(c);
    } else {
      std::u16string units;
      AppendUtf16(units, c);
      for (char16_t unit : units) AppendPercentEscape(out, unit);
    }
  }
  return out;
}

std::string UnescapeName(std::string_view escaped) {
  std::u16string text;
  AppendUtf8As16(text, escaped);
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'\\') {
      out += u'/';
      ++i;
      continue;
    }
    if (c != u'%' || i + 1 == text.size()) {
      out += c;
      ++i;
      continue;
    }
    size_t first = i + 1;
    size_t digits = 2;
    if (text[first] == u'U') ++first, digits = 4;
    std::optional<char16_t> value;
    if (first + digits <= text.size()) value = ParseEscapeDigits(text.substr(first, digits));
    if (!value) {
      out += u'%';
      ++i;
      continue;
    }
    out += *value;
    i = first + digits;
  }
  return Utf16ToUtf8(out);
}

std::string EncodeValue(std::string_view data) {
  if (!IsValidUtf8(data)) {
    return EscapeString("@ByteArray(" + std::string(data) + ")", false);
  }
  if (data.find('\0') != std::string_view::npos) {
    return EscapeString(Concatenated({"@String(", data, ")"}), true);
  }
  if (!data.empty() && data.front() == '@') return EscapeString(Concatenated({"@", data}), true);
  return EscapeString(data, true);
}

std::string DecodeValue(std::string_view stored) {
  UnescapedValue value = UnescapeStored(stored);
  if (value.isList) return {};
  return ValueText(value.text);
}

std::string CloseStoredValue(std::string_view stored) {
  std::string out(stored);
  bool inQuotes = false;
  bool dangling = false;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\\') {
      if (i + 1 == stored.size()) dangling = true;
      // An escaped CR would pair with the LF that ends the line and carry
      // the line on; an escaped LF means the same to the value and does not.
      if (i + 2 == stored.size() && stored[i + 1] == '\r') out.back() = '\n';
      ++i;
    } else if (stored[i] == '"') {
      inQuotes = !inQuotes;
    }
  }
  // "\x" with nothing after it ends the value just as a lone backslash does.
  if (dangling) out += 'x';
  if (inQuotes) out += '"';
  return out;
}

}  // namespace platform::settings
