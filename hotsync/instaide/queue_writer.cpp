// Reading the file to install and writing its queue entry.
#include "instaide/queue_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "fs/fs.h"
#include "instaide/instaide.h"

namespace hotsync {
namespace {

constexpr int kEntryNumberDigits = 8;
// Entries tried past the highest number before giving up (other writers
// may take numbers at the same time).
constexpr int kNumberAttempts = 100;

// The number of a queue entry's folder name; -1 for any other name.
long EntryNumberOf(const std::string& name) {
  if (name.size() != kEntryNumberDigits) return -1;
  for (char c : name) {
    if (c < '0' || c > '9') return -1;
  }
  return std::strtol(name.c_str(), nullptr, 10);
}

long HighestEntryNumber(const std::string& queue) {
  long highest = 0;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(queue, "*")) {
    if (entry.isDirectory && EntryNumberOf(entry.name) > highest) {
      highest = EntryNumberOf(entry.name);
    }
  }
  return highest;
}

std::string EntryFolderName(long number) {
  char name[24];  // room for any long, though the number has kEntryNumberDigits digits
  std::snprintf(name, sizeof name, "%0*ld", kEntryNumberDigits, number);
  return name;
}

// Renames the filled folder to the first free number above the highest.
bool PublishEntry(const std::string& queue, const std::string& filled) {
  long number = HighestEntryNumber(queue);
  for (int attempt = 0; attempt < kNumberAttempts; ++attempt) {
    const std::string target = queue + "/" + EntryFolderName(++number);
    if (renameat2(AT_FDCWD, filled.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void RemoveEntryFolder(const std::string& folder, const std::string& name) {
  unlink((folder + "/" + name).c_str());
  rmdir(folder.c_str());
}

}  // namespace

int32_t ReadInstallableFile(const std::string& path, std::vector<uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return kPltErrNoFile;
  struct stat status {};
  int32_t result = kPltErrNone;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    result = kPltErrNoFile;
  } else if (static_cast<uint64_t>(status.st_size) > kMaxInstallFileBytes) {
    result = kPltErrTooLarge;
  } else {
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done != bytes.size()) result = kPltErrNoFile;
  }
  close(fd);
  return result;
}

int32_t AddToInstallQueue(const std::string& queue, const std::string& name,
                          const std::vector<uint8_t>& bytes) {
  std::string pattern = queue + "/" + kEntryInProgressPrefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return kPltErrQueue;
  const std::string filled = pattern;
  if (platform::WriteFileAtomically(filled + "/" + name, bytes) != 0 ||
      !PublishEntry(queue, filled)) {
    RemoveEntryFolder(filled, name);
    return kPltErrQueue;
  }
  return kPltErrNone;
}

}  // namespace hotsync
