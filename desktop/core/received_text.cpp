// Received files: the bounded read, text in pieces, the decoding and the
// atomic write.
#include "received_text.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "fs/fs.h"
#include "text/utf8.h"

namespace desktop {
namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F; the five bytes that
// have none keep their own value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Windows1252Character(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kWindows1252High[byte - 0x80];
  return byte;
}

}  // namespace

std::string JoinTextPieces(std::span<const uint8_t> bytes) {
  std::string text;
  for (size_t start = 0; start < bytes.size(); start += kTextPieceSize) {
    std::span<const uint8_t> piece =
        bytes.subspan(start, std::min(kTextPieceSize, bytes.size() - start));
    auto end = std::find(piece.begin(), piece.end(), uint8_t{0});
    text.append(piece.begin(), end);
  }
  return text;
}

std::string DecodePcText(std::string_view bytes) {
  if (platform::text::IsValidUtf8(bytes)) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 2);
  for (size_t pos = 0; pos < bytes.size();) {
    size_t start = pos;
    if (platform::text::NextCodePoint(bytes, pos)) {
      text.append(bytes.substr(start, pos - start));
    } else {
      pos = start + 1;
      platform::text::AppendUtf8(text, Windows1252Character(static_cast<uint8_t>(bytes[start])));
    }
  }
  return text;
}

ReceivedBytes ReadReceivedBytes(const std::string& path) {
  ReceivedBytes result;
  int error = 0;
  std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(path, platform::kDefaultReadLimit, &error);
  if (bytes) {
    result.bytes = std::move(*bytes);
    return result;
  }
  // Gone between a look and the read: as if it had never been there.
  result.status =
      error == ENOENT ? ReceivedText::Status::kNotFound : ReceivedText::Status::kCannotOpen;
  result.error = error;
  return result;
}

ReceivedText ReadReceivedText(const std::string& path) {
  ReceivedText result;
  if (!platform::GetFileStatus(path)) {
    result.status = ReceivedText::Status::kNotFound;
    return result;
  }
  ReceivedBytes read = ReadReceivedBytes(path);
  result.status = read.status;
  result.error = read.error;
  if (read.status == ReceivedText::Status::kRead) {
    result.text = DecodePcText(JoinTextPieces(read.bytes));
  }
  return result;
}

std::string WithLinuxLineBreaks(std::string_view paneText) {
  std::string text;
  text.reserve(paneText.size());
  for (size_t i = 0; i < paneText.size(); ++i) {
    bool endsLine = paneText[i] == '\r' && i + 1 < paneText.size() && paneText[i + 1] == '\n';
    if (!endsLine) text += paneText[i];
  }
  return text;
}

int WriteTextFile(const std::string& path, std::string_view paneText) {
  std::string text = WithLinuxLineBreaks(paneText);
  return platform::WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace desktop
