// FileListLock: the advisory lock that every writer of "Vellamore.dat" holds
// over its whole read-change-write, so that no writer overwrites what another
// one changed: the conduit holds it from loading the store to saving it, the
// desktop program and vlmlist around each change they make.
//
// The lock is an exclusive flock(2) on ".Vellamore.dat.lock" beside the
// store's real file: a symbolic link named "Vellamore.dat" is followed first,
// so users who reach one store through different links share one lock. It
// excludes other processes and other FileListLock objects of the same process
// alike. The lock file stays in place; it is never deleted.
//
//   store::FileListLock lock;
//   if (lock.TryLock(path) == store::FileListLock::Result::kHeldElsewhere) ...
//
// When the lock cannot be taken at all (kFailed, e.g. a read-only folder),
// callers go on without it: their save then reports the real error.
#pragma once

#include <functional>
#include <string>

#include "fs/file_lock.h"

namespace store {

class FileListLock {
 public:
  using Result = platform::FileLock::Result;

  // The lock file that guards the store at `storePath`.
  static std::string LockPathFor(const std::string& storePath);

  // Takes the lock for the store at `storePath` without waiting: kLocked,
  // kHeldElsewhere while another writer has it, or kFailed (see Error()).
  Result TryLock(const std::string& storePath) { return m_lock.TryLock(LockPathFor(storePath)); }
  // Takes the lock, waiting while another writer has it; `beforeWaiting` is
  // called once when the wait begins. kLocked or kFailed.
  Result Lock(const std::string& storePath, const std::function<void()>& beforeWaiting = {}) {
    return m_lock.Lock(LockPathFor(storePath), beforeWaiting);
  }

  bool IsLocked() const { return m_lock.IsLocked(); }
  // The errno of the last kFailed result.
  int Error() const { return m_lock.Error(); }
  void Unlock() { m_lock.Unlock(); }

 private:
  platform::FileLock m_lock;
};

}  // namespace store
