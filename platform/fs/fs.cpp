// File status through statx, listings through readdir, and atomic
// replacement through a temporary file and rename(2), folder creation, and
// the folders of the running program and of loaded modules.
#include "fs.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

char FoldCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Iterative matcher with one back-track point for the last '*': linear in
// practice, never exponential.
bool MatchFrom(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0;
  size_t starPattern = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starName = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

int WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

bool IsTemporaryNameOf(std::string_view candidate, std::string_view name) {
  constexpr size_t kSuffixSize = 6;
  if (candidate.size() != name.size() + 2 + kSuffixSize || !candidate.starts_with('.') ||
      candidate.substr(1, name.size()) != name || candidate[name.size() + 1] != '.') {
    return false;
  }
  std::string_view suffix = candidate.substr(name.size() + 2);
  return std::all_of(suffix.begin(), suffix.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

namespace {

// Removes the temporary files that writes of `name` in `folder` left behind
// when they were killed between creating and renaming them. A write in
// progress keeps touching its file, so only files untouched for
// kStaleTemporaryAge go.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
  const std::string prefix = folder.empty() ? std::string() : folder + "/";
  const time_t now = time(nullptr);
  for (const DirectoryEntry& entry :
       ListDirectory(folder.empty() ? "." : folder, "." + name + ".*")) {
    if (entry.isDirectory || !IsTemporaryNameOf(entry.name, name)) continue;
    struct stat status {};
    const std::string path = prefix + entry.name;
    if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        now - status.st_mtime >= kStaleTemporaryAge) {
      unlink(path.c_str());
    }
  }
}

}  // namespace

std::optional<FileStatus> GetFileStatus(const std::string& path) {
  struct statx sx {};
  if (path.empty() || statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return std::nullopt;
  }
  FileStatus status;
  status.isDirectory = S_ISDIR(sx.stx_mode);
  status.isRegularFile = S_ISREG(sx.stx_mode);
  status.size = sx.stx_size;
  status.lastWriteTime = static_cast<time_t>(sx.stx_mtime.tv_sec);
  status.creationTime =
      (sx.stx_mask & STATX_BTIME) ? static_cast<time_t>(sx.stx_btime.tv_sec) : status.lastWriteTime;
  return status;
}

bool PathExists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") return true;
  return MatchFrom(pattern, name);
}

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, std::string_view pattern) {
  std::vector<DirectoryEntry> entries;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "/" : folder.c_str()));
  if (!dir) return entries;
  while (const dirent* entry = readdir(dir.get())) {
    std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
    bool isDirectory = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      auto status = GetFileStatus(folder + "/" + std::string(name));
      isDirectory = status && status->isDirectory;
    }
    entries.push_back({std::string(name), isDirectory});
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  return entries;
}

namespace {

// Reads the regular file at `path` to its end, or up to `count` bytes when
// `cut` is set; a file beyond `count` without `cut` fails with EFBIG. The
// open never blocks, so a pipe or a device cannot hang the caller.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, uint64_t count,
                                                    bool cut, int* error) {
  auto fail = [error](int reason) -> std::optional<std::vector<uint8_t>> {
    if (error != nullptr) *error = reason;
    return std::nullopt;
  };
  FdCloser file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) return fail(errno);
  struct stat status {};
  if (fstat(file.fd, &status) != 0) return fail(errno);
  if (S_ISDIR(status.st_mode)) return fail(EISDIR);
  if (!S_ISREG(status.st_mode)) return fail(kNotRegularFile);
  if (!cut && static_cast<uint64_t>(status.st_size) > count) return fail(EFBIG);
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(std::min<uint64_t>(status.st_size, count)));
  uint8_t chunk[65536];
  // Read to the end rather than to the size the status gave: the file may
  // grow or shrink meanwhile, and some (such as /sys files) report no size.
  for (;;) {
    size_t wanted = sizeof chunk;
    if (cut) wanted = static_cast<size_t>(std::min<uint64_t>(wanted, count - bytes.size()));
    if (wanted == 0) break;
    ssize_t n = read(file.fd, chunk, wanted);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > count) return fail(EFBIG);
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (error != nullptr) *error = 0;
  return bytes;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, uint64_t limit,
                                                  int* error) {
  return ReadRegularFile(path, limit, false, error);
}

std::optional<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t count,
                                                  int* error) {
  return ReadRegularFile(path, count, true, error);
}

std::string DescribeReadError(int error) {
  if (error == kNotRegularFile) return "is not a regular file";
  if (error == EISDIR) return "is a folder";
  if (error == EFBIG) return "is too large";
  return std::strerror(error);
}

int WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  // A file without any write permission is read-only, as the PC's read-only
  // attribute, even for a user whom the permissions would not stop.
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0 && (existing.st_mode & 0222) == 0) return EACCES;
  // Through a symbolic link: the temporary file goes beside the file the
  // link names, and replaces that file; the link itself stays.
  const std::string target = ResolveFinalLink(path);
  std::string folder = FolderOfPath(target);
  std::string name = FileNameOfPath(target);
  RemoveStaleTemporaries(folder, name);
  std::string pattern = (folder.empty() ? std::string() : folder + "/") + "." + name + ".XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  int fd = mkstemp(temporary.data());
  if (fd < 0) return errno;
  int error = 0;
  {
    FdCloser file{fd};
    error = WriteAll(fd, bytes);
    if (error == 0 && fsync(fd) != 0) error = errno;
    // Keep the permissions of the file being replaced, or the usual 0644.
    mode_t mode = existing.st_mode != 0 ? (existing.st_mode & 07777) : 0644;
    if (error == 0 && fchmod(fd, mode) != 0) error = errno;
  }
  if (error == 0 && rename(temporary.data(), target.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.data());
  return error;
}

std::string ResolveFinalLink(const std::string& path) {
  constexpr int kMaxLinks = 40;  // as the kernel's own limit for a path
  std::string current = path;
  for (int depth = 0; depth < kMaxLinks; ++depth) {
    std::vector<char> target(PATH_MAX + 1);
    ssize_t length = readlink(current.c_str(), target.data(), target.size());
    if (length < 0) return current;  // no link (or none that can be read)
    if (static_cast<size_t>(length) >= target.size()) return path;
    std::string next(target.data(), static_cast<size_t>(length));
    if (!next.starts_with('/')) {
      std::string folder = FolderOfPath(current);
      if (!folder.empty()) next = (folder == "/" ? folder : folder + "/") + next;
    }
    current = std::move(next);
  }
  return path;
}

std::string FolderOfPath(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string FileNameOfPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderOfRunningProgram() {
  std::array<char, PATH_MAX> path{};
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  return FolderOfPath(std::string_view(path.data(), static_cast<size_t>(length)));
}

std::string FolderOfModuleAt(const void* address) {
  Dl_info info{};
  link_map* module = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
      module == nullptr) {
    return {};
  }
  // The program itself has no name in the list of loaded modules.
  if (module->l_name == nullptr || module->l_name[0] == '\0') return FolderOfRunningProgram();
  // A loaded library, by the path it was loaded with.
  std::unique_ptr<char, decltype(&std::free)> real(realpath(module->l_name, nullptr), &std::free);
  return FolderOfPath(real ? real.get() : module->l_name);
}

int MakeFolders(const std::string& path, mode_t mode) {
  auto isFolder = [](const std::string& folder) {
    struct stat status {};
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  };
  if (path.empty() || isFolder(path)) return 0;
  std::string parent = FolderOfPath(path);
  if (!parent.empty() && parent != path) {
    if (int error = MakeFolders(parent, mode)) return error;
  }
  if (mkdir(path.c_str(), mode) == 0) return 0;
  if (errno == EEXIST) return isFolder(path) ? 0 : ENOTDIR;
  return errno;
}

std::string FindProgramOnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "";
  while (!folders.empty()) {
    const size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    if (folder.empty()) folder = ".";
    std::string candidate;
    candidate.append(folder).append(1, '/').append(program);
    struct stat status {};
    if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) break;
    folders.remove_prefix(colon + 1);
  }
  return {};
}

}  // namespace platform
