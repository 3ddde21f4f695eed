// FileLock: an exclusive advisory lock on a file or a folder, taken with
// flock(2) and held until the object is destroyed or unlocked.
//
// The lock belongs to the open file description that FileLock opens itself,
// so it excludes other processes and also other FileLock objects of the same
// process (each opens the path on its own). The descriptor is close-on-exec:
// programs started while the lock is held do not keep it. The lock file is
// never deleted, since another process may be waiting on it.
#pragma once

#include <functional>
#include <string>

namespace platform {

class FileLock {
 public:
  enum class Result {
    kLocked,         // this object holds the lock
    kHeldElsewhere,  // another holder has it (only from TryLock)
    kFailed,         // the path could not be opened or locked; see Error()
  };

  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock on `path` without waiting. A missing file is created empty
  // (mode 0666 less the umask); an existing folder is locked as it is. Any
  // lock this object held before is released first.
  Result TryLock(const std::string& path);
  // Takes the lock on `path`, waiting for it as long as another holder has
  // it. `beforeWaiting`, when given, is called once just before the wait
  // begins; it is not called when the lock is free.
  Result Lock(const std::string& path, const std::function<void()>& beforeWaiting = {});

  bool IsLocked() const { return m_fd >= 0; }
  // The errno of the last kFailed result, 0 otherwise.
  int Error() const { return m_error; }
  void Unlock();

 private:
  // Opens `path` for locking into m_fd; false with m_error set on failure.
  bool Open(const std::string& path);

  int m_fd = -1;
  int m_error = 0;
};

}  // namespace platform
