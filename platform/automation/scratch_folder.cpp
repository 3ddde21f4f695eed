// Scratch folders are named "vellamore-automation-XXXXXX" and hold a lock
// file that their owner keeps locked (flock) while the server runs: a lock
// that can be taken means the owner is gone, however it ended, and the
// folder is removed. A folder without its lock file is one whose owner died
// before it made it; it is removed once it is an hour old. A LibreOffice
// pipe name of ours that nobody listens on any more is removed as well.
#include "automation/scratch_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

namespace platform::automation {
namespace {

constexpr std::string_view kFolderPrefix = "vellamore-automation-";
constexpr char kLockName[] = "/owner.lock";
constexpr char kPipeFolder[] = "/tmp";
constexpr time_t kUnlockedFolderAge = 60 * 60;

// The names in `folder` that begin with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, std::string_view prefix) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    if (std::string_view(entry->d_name).starts_with(prefix)) names.emplace_back(entry->d_name);
  }
  closedir(dir);
  return names;
}

// True when the folder at `path` is ours and no owner holds it.
bool IsLeftOver(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid()) {
    return false;
  }
  const int lock = open((path + kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (lock < 0) return errno == ENOENT && time(nullptr) - status.st_mtime > kUnlockedFolderAge;
  const bool free = flock(lock, LOCK_EX | LOCK_NB) == 0;
  close(lock);
  return free;
}

// True when nobody accepts connections on the socket at `path`.
bool NobodyListens(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool refused =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
      errno == ECONNREFUSED;
  close(probe);
  return refused;
}

void RemoveLeftovers() {
  const std::string folder = TemporaryFolder();
  for (const std::string& name : NamesStartingWith(folder, kFolderPrefix)) {
    const std::string path = folder + "/" + name;
    std::error_code ignored;
    if (IsLeftOver(path)) std::filesystem::remove_all(path, ignored);
  }
  const std::string pipePrefix =
      "OSL_PIPE_" + std::to_string(getuid()) + "_" + OfficePipeName(kFolderPrefix);
  for (const std::string& name : NamesStartingWith(kPipeFolder, pipePrefix)) {
    const std::string path = std::string(kPipeFolder) + "/" + name;
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) &&
        status.st_uid == getuid() && NobodyListens(path)) {
      unlink(path.c_str());
    }
  }
}

}  // namespace

bool ScratchFolder::Create() {
  RemoveLeftovers();
  m_folder.emplace(kFolderPrefix);
  if (Path().empty()) return false;
  m_lock = open((Path() + kLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  return m_lock >= 0 && flock(m_lock, LOCK_EX) == 0;
}

const std::string& ScratchFolder::Path() const {
  static const std::string kNone;
  return m_folder ? m_folder->Path() : kNone;
}

ScratchFolder::~ScratchFolder() {
  // The folder goes while it is still locked, so that no one else takes it
  // for a leftover meanwhile.
  m_folder.reset();
  if (m_lock >= 0) close(m_lock);
}

}  // namespace platform::automation
