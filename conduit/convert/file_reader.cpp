// Looks at the file's type by its path first, so that a device or a pipe is
// refused without being opened, then opens with O_NONBLOCK and checks again
// on the open file (it may have been replaced in between). The times come
// from the open file (birth time through statx where the file system keeps
// one), and the bytes are read in a loop until the wanted size.
#include "convert/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace conduit {
namespace {

constexpr char kNoMemoryReason[] = "there was not enough memory to read it";

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

// Why a file of this type is not read; empty for a regular file.
std::string ReasonOfFileType(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device";
  if (S_ISSOCK(mode)) return "it is a socket";
  return "it is not a regular file";
}

// Why a file could not be opened or looked at, from the call's errno.
std::string ReasonOfError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return std::string(kVanishedReason);
    case EACCES:
    case EPERM:
      return "permission denied";
    case ENOMEM:
      return kNoMemoryReason;
    default:
      return std::string("it could not be opened (") + std::strerror(error) + ")";
  }
}

FileContents Refused(ConversionStatus status, std::string reason) {
  FileContents contents;
  contents.status = status;
  contents.failure = std::move(reason);
  return contents;
}

// Reads `size` bytes of the open file into `contents`.
void ReadBytes(int fd, uint64_t size, FileContents& contents) {
  try {
    contents.bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    contents = Refused(kConvNoMemory, kNoMemoryReason);
    return;
  } catch (const std::length_error&) {
    contents = Refused(kConvNoMemory, kNoMemoryReason);
    return;
  }
  errno = 0;
  if (ReadFully(fd, contents.bytes.data(), contents.bytes.size()) != size) {
    const int error = errno;
    contents = Refused(kConvCannotRead,
                       error != 0 ? std::string("reading it failed (") + std::strerror(error) + ")"
                                  : "it became shorter while it was read");
  }
}

}  // namespace

FileContents ReadFileForConversion(const std::string& path, size_t bound) {
  struct stat byPath {};
  if (stat(path.c_str(), &byPath) != 0) return Refused(kConvCannotOpen, ReasonOfError(errno));
  if (std::string reason = ReasonOfFileType(byPath.st_mode); !reason.empty()) {
    return Refused(kConvCannotOpen, std::move(reason));
  }
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) return Refused(kConvCannotOpen, ReasonOfError(errno));
  struct statx sx {};
  if (statx(file.Get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return Refused(kConvCannotOpen, ReasonOfError(errno));
  }
  if (std::string reason = ReasonOfFileType(sx.stx_mode); !reason.empty()) {
    return Refused(kConvCannotOpen, std::move(reason));
  }
  FileContents contents;
  contents.size = sx.stx_size;
  contents.lastWriteTime = static_cast<time_t>(sx.stx_mtime.tv_sec);
  contents.creationTime = (sx.stx_mask & STATX_BTIME) ? static_cast<time_t>(sx.stx_btime.tv_sec)
                                                      : contents.lastWriteTime;
  uint64_t wanted = contents.size;
  if (wanted > bound) {
    wanted = bound;
    contents.cut = true;
  }
  ReadBytes(file.Get(), wanted, contents);
  return contents;
}

ConversionResult UnreadFile(const FileContents& file) {
  return ConversionResult{std::nullopt, file.status, file.failure, {}};
}

void EndAtFirstNul(std::string& text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
}

}  // namespace conduit
