// The backup of a handheld at the end of its HotSync: every RAM database
// that is new or changed since it was last backed up is copied to
// $HOTSYNC_HOME/<user>/Backup/, a folder in the image format (one standard
// .pdb or .prc file per database, handheld.ini with the user), so that any
// Palm database tool, and `handheld files`, read it.
#pragma once

#include <ostream>
#include <string>

#include "link/dlp_client.h"

namespace hotsync {

constexpr char kBackupFolderName[] = "Backup";

struct BackupSummary {
  int copied = 0;
  int unchanged = 0;
  int failed = 0;
};

// A database counts as changed when its modification number or
// modification date differs from its backed-up copy's, or it has none.
BackupSummary BackUpHandheld(platform::link::DlpClient& dlp, const std::string& backupFolder,
                             const std::string& user, std::ostream& out);

}  // namespace hotsync
