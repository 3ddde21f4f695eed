// Composing the MIME message of a mail request. Header values from the
// handheld never break a header line: control characters are replaced and
// anything beyond printable ASCII is sent as an encoded word.
#include "convert/mime_message.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "text/transcode.h"
#include "text/utf8.h"

namespace conduit {
namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineLength = 76;
// Header lines, encoded words included, stay within this many characters.
constexpr size_t kHeaderLineLength = 76;
constexpr std::string_view kEncodedWordStart = "=?UTF-8?B?";
constexpr std::string_view kEncodedWordEnd = "?=";

struct ContentTypeRow {
  std::string_view extension;  // lower case, without the dot
  std::string_view type;
};

constexpr std::array<ContentTypeRow, 22> kContentTypes = {{
    {"txt", "text/plain"},
    {"csv", "text/csv"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"xml", "application/xml"},
    {"rtf", "application/rtf"},
    {"pdf", "application/pdf"},
    {"ps", "application/postscript"},
    {"eps", "application/postscript"},
    {"doc", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"zip", "application/zip"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"prc", "application/vnd.palm"},
    {"pdb", "application/vnd.palm"},
    {"pqa", "application/vnd.palm"},
}};

bool IsPrintableAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) > 0x7E) return false;
  }
  return true;
}

std::string WithoutControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return out;
}

void AppendBase64(std::string& out, std::string_view bytes) {
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i]) << 16) |
                           static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1]) << 8) |
                           static_cast<uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kBase64Alphabet[(group >> shift) & 0x3F];
  }
  const size_t left = bytes.size() - i;
  if (left == 0) return;
  uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i]) << 16);
  if (left == 2) group |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1]) << 8);
  out += kBase64Alphabet[(group >> 18) & 0x3F];
  out += kBase64Alphabet[(group >> 12) & 0x3F];
  out += left == 2 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
  out += '=';
}

std::string QuotedFileName(std::string_view name) {
  std::string quoted = "filename=\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The name with every character beyond printable ASCII as '_', for mail
// readers that know only the plain parameter.
std::string AsciiFallbackOf(std::string_view name) {
  std::string fallback;
  size_t i = 0;
  while (i < name.size()) {
    const bool ascii =
        static_cast<uint8_t>(name[i]) >= 0x20 && static_cast<uint8_t>(name[i]) < 0x7F;
    fallback += ascii ? name[i] : '_';
    if (ascii || !platform::text::NextCodePoint(name, i)) ++i;
  }
  return fallback;
}

// filename="name" for a printable ASCII name; otherwise that with an ASCII
// stand-in and the RFC 2231 form of the UTF-8 name, each on a line of its
// own. A name that is not UTF-8 is taken as Windows-1252.
std::string FileNameParameters(std::string_view name) {
  if (IsPrintableAscii(name)) return QuotedFileName(name);
  const std::string utf8 = platform::text::IsValidUtf8(name)
                               ? std::string(name)
                               : platform::text::Windows1252ToUtf8(name);
  std::string encoded = QuotedFileName(AsciiFallbackOf(utf8)) + ";\n filename*=UTF-8''";
  constexpr std::string_view kHex = "0123456789ABCDEF";
  for (char c : utf8) {
    const auto byte = static_cast<uint8_t>(c);
    const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= 'a' && byte <= 'z') || c == '.' || c == '-' || c == '_';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string RfcDate(time_t date) {
  struct tm local {};
  localtime_r(&date, &local);
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<char, 64> buffer{};
  const long offset = local.tm_gmtoff / 60;
  const long absolute = offset < 0 ? -offset : offset;
  snprintf(buffer.data(), buffer.size(), "%s, %d %s %04d %02d:%02d:%02d %c%02ld%02ld",
           kDays[static_cast<size_t>(local.tm_wday) % 7], local.tm_mday,
           kMonths[static_cast<size_t>(local.tm_mon) % 12], local.tm_year + 1900, local.tm_hour,
           local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', absolute / 60, absolute % 60);
  return buffer.data();
}

// A boundary that none of the message's own texts contains.
std::string BoundaryFor(const MailMessage& mail) {
  std::string boundary = "=_Vellamore_part";
  while (mail.bodyText.find(boundary) != std::string::npos ||
         mail.fileName.find(boundary) != std::string::npos) {
    boundary += '_';
  }
  return boundary;
}

bool IsContinuationByte(char c) {
  return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

// How many bytes an encoded word may carry on a line that has `used`
// characters already: its base64, in groups of four, fills the rest.
size_t WordRoom(size_t used) {
  const size_t left = kHeaderLineLength - std::min(kHeaderLineLength, used);
  const size_t overhead = kEncodedWordStart.size() + kEncodedWordEnd.size();
  return left > overhead ? (left - overhead) / 4 * 3 : 0;
}

// Where the encoded word that starts at `start` ends: after at most `room`
// bytes, between two UTF-8 sequences; past one whole character when not
// even that fits.
size_t EncodedWordEnd(std::string_view text, size_t start, size_t room) {
  const size_t limit = std::min(text.size(), start + room);
  size_t end = limit;
  while (end > start && end < text.size() && IsContinuationByte(text[end])) --end;
  if (end > start) return end;
  end = std::min(text.size(), limit + 1);
  while (end < text.size() && IsContinuationByte(text[end])) ++end;
  return end;
}

}  // namespace

std::string Base64Lines(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 3 * 4 + bytes.size() / 57 + 8);
  // 57 input bytes make one 76-character line.
  constexpr size_t kBytesPerLine = kBase64LineLength / 4 * 3;
  for (size_t i = 0; i < bytes.size(); i += kBytesPerLine) {
    AppendBase64(out, bytes.substr(i, kBytesPerLine));
    out += '\n';
  }
  return out;
}

std::string_view ContentTypeOfName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const ContentTypeRow& row : kContentTypes) {
    if (row.extension == extension) return row.type;
  }
  return "application/octet-stream";
}

std::string EncodeHeaderText(std::string_view text, size_t used) {
  std::string clean = WithoutControls(text);
  if (IsPrintableAscii(clean) && used + clean.size() <= kHeaderLineLength) return clean;
  std::string encoded;
  size_t start = 0;
  while (start < clean.size()) {
    const size_t end = EncodedWordEnd(clean, start, WordRoom(used));
    encoded.append(kEncodedWordStart);
    AppendBase64(encoded, std::string_view(clean).substr(start, end - start));
    encoded.append(kEncodedWordEnd);
    start = end;
    // Folded: the next word starts a line of its own after one space.
    if (start < clean.size()) encoded += "\n ";
    used = 1;
  }
  return encoded;
}

std::string ComposeMailMessage(const MailMessage& mail) {
  const std::string boundary = BoundaryFor(mail);
  std::string message;
  message.reserve(mail.fileBytes.size() * 4 / 3 + 2048);
  message += "To: " + mail.to + "\n";
  message +=
      "Subject: " + EncodeHeaderText(mail.subject, std::string_view("Subject: ").size()) + "\n";
  message += "Date: " + RfcDate(mail.date) + "\n";
  message += "MIME-Version: 1.0\n";
  message += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n";
  message += "\n";
  message += "--" + boundary + "\n";
  message += "Content-Type: text/plain; charset=UTF-8\n";
  message += "Content-Transfer-Encoding: 8bit\n\n";
  message += mail.bodyText + "\n\n";
  message += "--" + boundary + "\n";
  message += "Content-Type: " + std::string(ContentTypeOfName(mail.fileName)) + "\n";
  message += "Content-Transfer-Encoding: base64\n";
  message += "Content-Disposition: attachment; " + FileNameParameters(mail.fileName) + "\n\n";
  message += Base64Lines(mail.fileBytes);
  message += "--" + boundary + "--\n";
  return message;
}

}  // namespace conduit
