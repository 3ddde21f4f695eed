// One HotSync of a handheld that connected over the network: the
// handshake, the handheld's user (who may HotSync), the install queue, the
// conduits of the databases the handheld has, the backup, the log written
// to the handheld, the user information and the end of the HotSync.
#pragma once

#include <chrono>
#include <ostream>

#include "link/byte_stream.h"
#include "link/netsync_link.h"

namespace hotsync {

struct NetworkSyncOptions {
  // The longest wait for any one answer of the handheld.
  std::chrono::milliseconds timeout = platform::link::kDefaultLinkTimeout;
};

// Runs the HotSync on `stream`; the exit status of `hotsync sync`. The
// handheld is told how it ended; the connection is closed afterwards.
int RunNetworkHotSync(platform::link::ByteStream stream, const NetworkSyncOptions& options,
                      std::ostream& out, std::ostream& err);

}  // namespace hotsync
