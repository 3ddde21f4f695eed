// The install queue of one HotSync user: the handheld programs and
// databases that the Install Aide queued in "$HOTSYNC_HOME/<user>/Install"
// are installed into the handheld image at the start of the user's HotSync.
#pragma once

#include <ostream>
#include <string>

#include "pdb/handheld_image.h"

namespace hotsync {

struct InstallSummary {
  int installed = 0;  // installed and taken off the queue
  int rejected = 0;   // not Palm databases: reported and taken off the queue
  int kept = 0;       // could not be installed now (file or image trouble): kept queued
};

// Installs every queued file into `image`, in the order they were queued,
// reporting each on `out`. A file that is not a valid Palm database, or not
// a regular file, is dropped from the queue (it is a copy; the original
// stays where it was).
InstallSummary InstallQueuedFiles(const std::string& queueFolder,
                                  const platform::pdb::HandheldImage& image, std::ostream& out);

}  // namespace hotsync
