// Exclusive flock(2) locks on a file or folder, one open file description per
// FileLock object.
#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

FileLock::FileLock(FileLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Unlock();
    m_fd = std::exchange(other.m_fd, -1);
    m_error = other.m_error;
  }
  return *this;
}

void FileLock::Unlock() {
  // Closing the only descriptor of the description releases the lock.
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

bool FileLock::Open(const std::string& path) {
  Unlock();
  m_error = 0;
  // Without blocking, so that a named pipe in the lock file's place cannot
  // hang the caller; a folder opens read-only.
  constexpr int kFlags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
  if (fd < 0 && (errno == EISDIR || errno == EACCES || errno == EROFS)) {
    // A folder, or a lock file that another user made and we may only read:
    // flock works on a read-only descriptor as well.
    fd = open(path.c_str(), O_RDONLY | kFlags);
  }
  if (fd < 0) {
    m_error = errno;
    return false;
  }
  struct stat status {};
  int error = fstat(fd, &status) != 0 ? errno : 0;
  if (error == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) error = EINVAL;
  if (error != 0) {
    // A pipe, device or socket in the lock file's place is no lock.
    close(fd);
    m_error = error;
    return false;
  }
  m_fd = fd;
  return true;
}

FileLock::Result FileLock::TryLock(const std::string& path) {
  if (!Open(path)) return Result::kFailed;
  while (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int error = errno;
    Unlock();
    if (error == EWOULDBLOCK) return Result::kHeldElsewhere;
    m_error = error;
    return Result::kFailed;
  }
  return Result::kLocked;
}

FileLock::Result FileLock::Lock(const std::string& path,
                                const std::function<void()>& beforeWaiting) {
  Result first = TryLock(path);
  if (first != Result::kHeldElsewhere) return first;
  if (beforeWaiting) beforeWaiting();
  if (!Open(path)) return Result::kFailed;
  while (flock(m_fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    m_error = errno;
    Unlock();
    return Result::kFailed;
  }
  return Result::kLocked;
}

}  // namespace platform
