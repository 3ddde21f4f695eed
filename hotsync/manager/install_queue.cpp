// Installing the queued files of one user into the handheld image. The
// Install Aide queues each file in a numbered folder of its own (see
// instaide/queue_writer.h); a file put straight into the queue folder is
// installed as well.
#include "manager/install_queue.h"

#include <sys/stat.h>
#include <unistd.h>

#include "fs/fs.h"

namespace hotsync {
namespace {

using platform::pdb::ImageError;
using platform::pdb::PdbError;

enum class Outcome { kInstalled, kRejected, kKept };

// Installs the queued file at `path`, reported by its file name `name`.
Outcome InstallOne(const std::string& path, const std::string& name,
                   const platform::pdb::HandheldImage& image, std::ostream& out) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    // Never opened: a pipe or a device would stall the HotSync.
    out << "Not installed \"" << name
        << "\": not a regular file; removed from the install queue.\n";
    unlink(path.c_str());
    return Outcome::kRejected;
  }
  std::string databaseName;
  PdbError pdbError = PdbError::kNone;
  const ImageError error = image.InstallFile(path, &databaseName, &pdbError);
  if (error == ImageError::kNone) {
    out << "Installed \"" << name << "\" as database \"" << databaseName << "\".\n";
    unlink(path.c_str());
    return Outcome::kInstalled;
  }
  if (error == ImageError::kDamaged || error == ImageError::kBadName) {
    out << "Not installed \"" << name << "\": not a valid Palm database ("
        << (error == ImageError::kDamaged ? platform::pdb::Describe(pdbError)
                                          : platform::pdb::Describe(error))
        << "); removed from the install queue.\n";
    unlink(path.c_str());
    return Outcome::kRejected;
  }
  out << "Not installed \"" << name << "\": " << platform::pdb::Describe(error)
      << "; kept in the install queue for the next HotSync.\n";
  return Outcome::kKept;
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
void InstallEntry(const std::string& folder, const platform::pdb::HandheldImage& image,
                  std::ostream& out, InstallSummary& summary) {
  for (const platform::DirectoryEntry& file : platform::ListDirectory(folder, "*")) {
    Count(InstallOne(folder + "/" + file.name, file.name, image, out), summary);
  }
  rmdir(folder.c_str());
}

}  // namespace

InstallSummary InstallQueuedFiles(const std::string& queueFolder,
                                  const platform::pdb::HandheldImage& image, std::ostream& out) {
  InstallSummary summary;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(queueFolder, "*")) {
    // Names starting with '.' are entries still being written and temporary
    // files of an interrupted write.
    if (entry.name.front() == '.') continue;
    const std::string path = queueFolder + "/" + entry.name;
    if (entry.isDirectory) {
      InstallEntry(path, image, out, summary);
    } else {
      Count(InstallOne(path, entry.name, image, out), summary);
    }
  }
  return summary;
}

}  // namespace hotsync
