// Installing queued database files onto a handheld over DLP.
#pragma once

#include "link/dlp_client.h"
#include "manager/install_queue.h"

namespace hotsync {

// Creates the database of the file on the handheld (replacing one of the
// same name) with its attributes, version, records or resources, and its
// application-info and sort blocks. A file that does not parse is rejected;
// a handheld that refuses, or a link that fails, keeps it queued.
Installer HandheldInstaller(platform::link::DlpClient& dlp);

}  // namespace hotsync
