// Opens with O_NONBLOCK and checks for a regular file before reading, takes
// the times from the open file (birth time through statx where the file
// system keeps one), and reads in a loop until the wanted size.
#include "convert/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

namespace conduit {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

// Reads up to `count` bytes into `buffer`; returns the number read, which is
// less than `count` only at the end of the file or on an error.
size_t ReadFully(int fd, char* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = read(fd, buffer + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

}  // namespace

FileContents ReadFileForConversion(const std::string& path, std::optional<size_t> bound) {
  FileContents contents;
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct statx sx {};
  if (file.Get() < 0 ||
      statx(file.Get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0 ||
      !S_ISREG(sx.stx_mode)) {
    contents.status = kConvCannotOpen;
    return contents;
  }
  contents.lastWriteTime = static_cast<time_t>(sx.stx_mtime.tv_sec);
  contents.creationTime = (sx.stx_mask & STATX_BTIME) ? static_cast<time_t>(sx.stx_btime.tv_sec)
                                                      : contents.lastWriteTime;
  uint64_t size = sx.stx_size;
  if (bound && size > *bound) {
    size = *bound;
    contents.cut = true;
  }
  try {
    contents.bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    contents.status = kConvNoMemory;
    return contents;
  } catch (const std::length_error&) {
    contents.status = kConvNoMemory;
    return contents;
  }
  if (ReadFully(file.Get(), contents.bytes.data(), contents.bytes.size()) != size) {
    contents.bytes.clear();
    contents.status = kConvCannotRead;
  }
  return contents;
}

void EndAtFirstNul(std::string& text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
}

}  // namespace conduit
