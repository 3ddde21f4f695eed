// The install queue of one HotSync user: the handheld programs and
// databases that the Install Aide queued in "$HOTSYNC_HOME/<user>/Install"
// are installed onto the handheld (an image folder, or a handheld over a
// link) at the start of the user's HotSync.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "pdb/handheld_image.h"

namespace hotsync {

struct InstallSummary {
  int installed = 0;  // installed and taken off the queue
  int rejected = 0;   // not Palm databases: reported and taken off the queue
  int kept = 0;       // could not be installed now (file or image trouble): kept queued
};

// What became of one queued file.
struct InstallAttempt {
  enum class Outcome { kInstalled, kRejected, kKept };
  Outcome outcome = Outcome::kKept;
  std::string databaseName;  // installed as
  std::string reason;        // why it was rejected or kept
};

// Installs the database file at `path` (a regular file) onto the handheld.
using Installer = std::function<InstallAttempt(const std::string& path)>;

// Installs every queued file with `install`, in the order they were queued,
// reporting each on `out`. A file that is not a valid Palm database, or not
// a regular file, is dropped from the queue (it is a copy; the original
// stays where it was); one that could not be installed now stays queued.
InstallSummary InstallQueuedFiles(const std::string& queueFolder, const Installer& install,
                                  std::ostream& out);

// Installs into an image folder: the file's bytes become the database file.
Installer ImageInstaller(const platform::pdb::HandheldImage& image);

}  // namespace hotsync
