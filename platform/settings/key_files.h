// The files that the settings keep for a key in the configuration folder,
// the lock that guards each .conf file, and removing them.
//
// Beside "<name>.conf" the settings keep its lock ".<name>.conf.lock" and,
// while a rewrite runs, its temporary ".<name>.conf.XXXXXX". A key's folder
// may hold other things as well: a link to a folder elsewhere, a file that
// another program keeps there. Removing a key removes its settings files and
// the folders they leave empty, and nothing else; a link is never followed.
#pragma once

#include <string>
#include <string_view>

namespace platform::settings {

// ".<name>.conf.lock" beside "<name>.conf".
std::string LockPathOf(const std::string& file);

// An exclusive flock(2) on the lock file of a .conf file, held while the
// object lives. The lock counts only when the locked file is still the one
// the path names, so a lock file removed while we waited is never shared.
class ConfLock {
 public:
  ConfLock() = default;
  ConfLock(const ConfLock&) = delete;
  ConfLock& operator=(const ConfLock&) = delete;
  ~ConfLock();

  // Waits for the lock on `path` (created when missing, never through a
  // link). Returns 0 or the errno of the step that failed.
  int Acquire(const std::string& path);
  // Removes the lock file; the lock itself lasts until destruction. A writer
  // that waits on the removed file notices and makes a new one.
  void RemoveFile();

 private:
  int m_fd = -1;
  std::string m_path;
};

// Removes, under its lock, the .conf file `file` with its temporaries and
// then its lock. `file` goes when it is a regular file, or a link when
// `removeLink` is set (the link itself; what it names stays). Returns 0,
// also when nothing was there, or the errno of a file that stayed.
int RemoveConfFile(const std::string& file, bool removeLink);

// Removes the settings files inside `folder`, at any depth, and then the
// folders that are left empty, `folder` included. Links, other files and
// the folders holding them stay. A link in the place of `folder` is left
// alone. Returns 0, or the errno of the first settings file that stayed or
// of the first folder that could not be read.
int RemoveSettingsFolder(const std::string& folder);

}  // namespace platform::settings
