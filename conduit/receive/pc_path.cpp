// Choosing and creating the PC file of a received record.
#include "receive/pc_path.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "convert/convert.h"
#include "data_directory_names.h"  // store/
#include "text/transcode.h"

namespace conduit::receive {
namespace {

constexpr size_t kMaxBaseNameLength = 51;  // a 52-byte field with its NUL
constexpr size_t kMaxExtensionLength = 31;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// `text` (valid UTF-8) cut to at most `size` bytes without splitting a
// character.
void CutUtf8(std::string& text, size_t size) {
  if (text.size() <= size) return;
  while (size > 0 && (static_cast<uint8_t>(text[size]) & 0xC0) == 0x80) --size;
  text.resize(size);
}

std::string_view ExtensionOfVariant(PathVariant variant) {
  switch (variant) {
    case PathVariant::kText:
      return ".txt";
    case PathVariant::kBitmap:
      return ".bmp";
    default:
      return {};
  }
}

// Writes all of `bytes`; the errno of a failure, else 0.
int WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return 0;
}

// Writes and closes the new file at `path`; removes it when that fails.
bool FillNewFile(int fd, const std::string& path, std::span<const uint8_t> bytes,
                 std::string& why) {
  int error = WriteAll(fd, bytes);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) return true;
  unlink(path.c_str());
  why = "cannot write " + path + ": " + std::strerror(error);
  return false;
}

}  // namespace

std::optional<std::string> ChoosePcPath(std::string_view dataDirectory, std::string_view sourcePath,
                                        PathVariant variant, int counter) {
  const std::string name = platform::text::HandheldNameToUtf8(FileNameOfHandheldPath(sourcePath));
  const size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  const std::string_view wanted = ExtensionOfVariant(variant);
  if (!wanted.empty() && !EqualsIgnoringCase(extension, wanted)) {
    base += extension;
    extension = wanted;
  }
  CutUtf8(extension, kMaxExtensionLength);
  const std::string number = counter == 0 ? std::string() : std::to_string(counter);
  const size_t fixed = dataDirectory.size() + 1 + number.size() + extension.size();
  if (fixed >= kMaxReceivedPathLength) return std::nullopt;
  CutUtf8(base, std::min(kMaxBaseNameLength, kMaxReceivedPathLength - fixed));
  if (base.empty() && extension.size() < 2) return std::nullopt;
  return std::string(dataDirectory) + "/" + base + number + extension;
}

std::optional<std::string> CreateReceivedFile(const std::string& dataDirectory,
                                              std::string_view sourcePath, PathVariant variant,
                                              std::span<const uint8_t> bytes, std::string& why) {
  for (int counter = 0; counter < kNameCounterLimit; ++counter) {
    std::optional<std::string> path = ChoosePcPath(dataDirectory, sourcePath, variant, counter);
    if (!path) {
      why = "the data directory's path leaves no room for the file's name";
      return std::nullopt;
    }
    // A name the data directory uses itself counts as taken, even before
    // that file exists.
    if (store::IsDataDirectoryOwnName(std::string_view(*path).substr(dataDirectory.size() + 1))) {
      continue;
    }
    const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;  // taken: the next number
    if (fd < 0) {
      why = "cannot create " + *path + ": " + std::strerror(errno);
      return std::nullopt;
    }
    if (!FillNewFile(fd, *path, bytes, why)) return std::nullopt;
    return path;
  }
  why = "every name it could have in the data directory is taken";
  return std::nullopt;
}

}  // namespace conduit::receive
