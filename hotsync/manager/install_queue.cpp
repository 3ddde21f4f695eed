// Installing the queued files of one user into the handheld image.
#include "manager/install_queue.h"

#include <unistd.h>

#include "fs/fs.h"

namespace hotsync {

using platform::pdb::ImageError;
using platform::pdb::PdbError;

InstallSummary InstallQueuedFiles(const std::string& queueFolder,
                                  const platform::pdb::HandheldImage& image, std::ostream& out) {
  InstallSummary summary;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(queueFolder, "*")) {
    // Names starting with '.' are temporary files of an interrupted write.
    if (entry.isDirectory || entry.name.front() == '.') continue;
    const std::string path = queueFolder + "/" + entry.name;
    std::string databaseName;
    PdbError pdbError = PdbError::kNone;
    const ImageError error = image.InstallFile(path, &databaseName, &pdbError);
    if (error == ImageError::kNone) {
      out << "Installed \"" << entry.name << "\" as database \"" << databaseName << "\".\n";
      unlink(path.c_str());
      ++summary.installed;
    } else if (error == ImageError::kDamaged || error == ImageError::kBadName) {
      out << "Not installed \"" << entry.name << "\": not a valid Palm database ("
          << (error == ImageError::kDamaged ? platform::pdb::Describe(pdbError)
                                            : platform::pdb::Describe(error))
          << "); removed from the install queue.\n";
      unlink(path.c_str());
      ++summary.rejected;
    } else {
      out << "Not installed \"" << entry.name << "\": " << platform::pdb::Describe(error)
          << "; kept in the install queue for the next HotSync.\n";
      ++summary.kept;
    }
  }
  return summary;
}

}  // namespace hotsync
