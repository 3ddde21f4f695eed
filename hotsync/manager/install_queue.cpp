// Installing the queued files of one user into the handheld image. The
// Install Aide queues each file in a numbered folder of its own (see
// instaide/queue_writer.h); a file put straight into the queue folder is
// installed as well.
#include "manager/install_queue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "fs/fs.h"
#include "instaide/queue_writer.h"

namespace hotsync {
namespace {

using platform::pdb::ImageError;
using platform::pdb::PdbError;

using Outcome = InstallAttempt::Outcome;

// An entry still being filled this long after it was started was left by a
// writer that was killed: no copy takes that long.
constexpr time_t kAbandonedEntryAge = 60 * 60;

// Removes an entry that a killed writer left half-filled, once it is old
// enough that no writer can still be filling it.
void RemoveIfAbandoned(const std::string& folder) {
  struct stat status {};
  if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      time(nullptr) - status.st_mtime < kAbandonedEntryAge) {
    return;
  }
  for (const platform::DirectoryEntry& file : platform::ListDirectory(folder, "*")) {
    unlink((folder + "/" + file.name).c_str());
  }
  rmdir(folder.c_str());
}

// Installs the queued file at `path`, reported by its file name `name`.
Outcome InstallOne(const std::string& path, const std::string& name, const Installer& install,
                   std::ostream& out) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    // Never opened: a pipe or a device would stall the HotSync.
    out << "Not installed \"" << name
        << "\": not a regular file; removed from the install queue.\n";
    unlink(path.c_str());
    return Outcome::kRejected;
  }
  const InstallAttempt attempt = install(path);
  switch (attempt.outcome) {
    case Outcome::kInstalled:
      out << "Installed \"" << name << "\" as database \"" << attempt.databaseName << "\".\n";
      unlink(path.c_str());
      break;
    case Outcome::kRejected:
      out << "Not installed \"" << name << "\": not a valid Palm database (" << attempt.reason
          << "); removed from the install queue.\n";
      unlink(path.c_str());
      break;
    case Outcome::kKept:
      out << "Not installed \"" << name << "\": " << attempt.reason
          << "; kept in the install queue for the next HotSync.\n";
      break;
  }
  return attempt.outcome;
}

void Count(Outcome outcome, InstallSummary& summary) {
  switch (outcome) {
    case Outcome::kInstalled:
      ++summary.installed;
      break;
    case Outcome::kRejected:
      ++summary.rejected;
      break;
    case Outcome::kKept:
      ++summary.kept;
      break;
  }
}

// Installs the file of one numbered entry, whatever its name (a leading '.'
// included), and removes the entry once nothing is left in it.
void InstallEntry(const std::string& folder, const Installer& install, std::ostream& out,
                  InstallSummary& summary) {
  for (const platform::DirectoryEntry& file : platform::ListDirectory(folder, "*")) {
    Count(InstallOne(folder + "/" + file.name, file.name, install, out), summary);
  }
  rmdir(folder.c_str());
}

}  // namespace

InstallSummary InstallQueuedFiles(const std::string& queueFolder, const Installer& install,
                                  std::ostream& out) {
  InstallSummary summary;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(queueFolder, "*")) {
    // Names starting with '.' are entries still being written and temporary
    // files of an interrupted write.
    if (entry.name.front() == '.') {
      if (entry.name.starts_with(kEntryInProgressPrefix)) {
        RemoveIfAbandoned(queueFolder + "/" + entry.name);
      }
      continue;
    }
    const std::string path = queueFolder + "/" + entry.name;
    if (entry.isDirectory) {
      InstallEntry(path, install, out, summary);
    } else {
      Count(InstallOne(path, entry.name, install, out), summary);
    }
  }
  return summary;
}

Installer ImageInstaller(const platform::pdb::HandheldImage& image) {
  return [&image](const std::string& path) {
    std::string databaseName;
    PdbError pdbError = PdbError::kNone;
    const ImageError error = image.InstallFile(path, &databaseName, &pdbError);
    switch (error) {
      case ImageError::kNone:
        return InstallAttempt{Outcome::kInstalled, databaseName, {}};
      case ImageError::kDamaged:
        return InstallAttempt{Outcome::kRejected, {}, platform::pdb::Describe(pdbError)};
      case ImageError::kBadName:
        return InstallAttempt{Outcome::kRejected, {}, platform::pdb::Describe(error)};
      default:
        return InstallAttempt{Outcome::kKept, {}, platform::pdb::Describe(error)};
    }
  };
}

}  // namespace hotsync
