// Locking a .conf file, and removing the settings files of a key. Folders
// are walked through descriptors opened with O_NOFOLLOW and every entry is
// looked at with fstatat(AT_SYMLINK_NOFOLLOW), so a link is only ever seen
// as a link: never entered, never removed.
#include "key_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "fs/fs.h"

namespace platform::settings {
namespace {

constexpr std::string_view kConfExtension = ".conf";
constexpr std::string_view kLockExtension = ".lock";

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsConfName(std::string_view name) {
  return name.size() > kConfExtension.size() && name.ends_with(kConfExtension);
}

// The .conf file that a settings file named `name` belongs to: the file
// itself, its lock or one of its temporaries. Nothing for any other name.
std::optional<std::string> ConfNameOf(std::string_view name) {
  if (IsConfName(name)) return std::string(name);
  if (!name.starts_with('.')) return std::nullopt;
  if (name.ends_with(kLockExtension)) {
    std::string_view conf = name.substr(1, name.size() - 1 - kLockExtension.size());
    if (IsConfName(conf)) return std::string(conf);
  }
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 1) {
    std::string_view conf = name.substr(1, dot - 1);
    if (IsConfName(conf) && IsTemporaryNameOf(name, conf)) return std::string(conf);
  }
  return std::nullopt;
}

// The temporaries of `file` in its folder.
std::vector<std::string> TemporariesOf(const std::string& file) {
  const std::string folder = FolderOfPath(file);
  const std::string name = FileNameOfPath(file);
  std::vector<std::string> paths;
  for (const DirectoryEntry& entry : ListDirectory(folder, "." + name + ".*")) {
    if (IsTemporaryNameOf(entry.name, name)) paths.push_back(folder + "/" + entry.name);
  }
  return paths;
}

// Removes `path` when it is a regular file (or, with `removeLink`, a link);
// 0 when it is gone or was never there.
int UnlinkFile(const std::string& path, bool removeLink) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return 0;
  if (!S_ISREG(status.st_mode) && !(removeLink && S_ISLNK(status.st_mode))) return 0;
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return errno;
  return 0;
}

struct FolderEntries {
  std::set<std::string> confFiles;  // the .conf files that settings files here belong to
  std::vector<std::string> subfolders;
};

// True for the errors of an entry that is none of ours to remove: gone
// since the listing, or a link or a file where a folder was. Any other
// error may leave settings files behind.
bool IsNothingToRemove(int error) {
  return error == ENOENT || error == ELOOP || error == ENOTDIR;
}

// The settings files and subfolders of the folder open as `folderFd`;
// 0, or the errno of a listing or an entry that could not be read.
int ReadFolder(int folderFd, FolderEntries& entries) {
  const int listFd = dup(folderFd);
  if (listFd < 0) return errno;
  std::unique_ptr<DIR, DirCloser> dir(fdopendir(listFd));
  if (!dir) {
    const int error = errno;
    close(listFd);
    return error;
  }
  int firstError = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) return errno != 0 ? errno : firstError;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status {};
    if (fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      if (!IsNothingToRemove(errno) && firstError == 0) firstError = errno;
      continue;
    }
    if (S_ISDIR(status.st_mode)) {
      entries.subfolders.emplace_back(name);
    } else if (S_ISREG(status.st_mode)) {
      if (std::optional<std::string> conf = ConfNameOf(name)) entries.confFiles.insert(*conf);
    }
  }
}

int RemoveSettingsBelow(int folderFd, const std::string& folder) {
  FolderEntries entries;
  int firstError = ReadFolder(folderFd, entries);
  auto note = [&firstError](int error) {
    if (firstError == 0) firstError = error;
  };
  for (const std::string& conf : entries.confFiles) {
    note(RemoveConfFile(folder + "/" + conf, false));
  }
  for (const std::string& name : entries.subfolders) {
    const int fd = openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      if (!IsNothingToRemove(errno)) note(errno);
      continue;
    }
    note(RemoveSettingsBelow(fd, folder + "/" + name));
    close(fd);
    // A folder that still holds something not ours stays.
    unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
  }
  return firstError;
}

}  // namespace

std::string LockPathOf(const std::string& file) {
  size_t slash = file.rfind('/');
  return file.substr(0, slash) + "/." + file.substr(slash + 1) + std::string(kLockExtension);
}

ConfLock::~ConfLock() {
  if (m_fd >= 0) close(m_fd);
}

int ConfLock::Acquire(const std::string& path) {
  for (;;) {
    int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return errno;
    int result;
    while ((result = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
      int error = errno;
      close(fd);
      return error;
    }
    struct stat held {};
    struct stat named {};
    if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      m_fd = fd;
      m_path = path;
      return 0;
    }
    close(fd);
  }
}

void ConfLock::RemoveFile() {
  if (m_fd >= 0) unlink(m_path.c_str());
}

int RemoveConfFile(const std::string& file, bool removeLink) {
  const std::string lockPath = LockPathOf(file);
  if (!PathExists(file) && !PathExists(lockPath) && TemporariesOf(file).empty()) return 0;
  ConfLock lock;
  if (int error = lock.Acquire(lockPath)) return error;
  // Under the lock no rewrite is running: every temporary is a leftover.
  for (const std::string& temporary : TemporariesOf(file)) UnlinkFile(temporary, false);
  if (int error = UnlinkFile(file, removeLink)) return error;
  // A lock stays as long as the file it guards.
  if (!PathExists(file)) lock.RemoveFile();
  return 0;
}

int RemoveSettingsFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? 0 : errno;
  const int error = RemoveSettingsBelow(fd, folder);
  close(fd);
  rmdir(folder.c_str());
  return error;
}

}  // namespace platform::settings
