// One HotSync of a handheld that connected over a link (the network, a
// serial line, USB): the handshake, the handheld's user (who may HotSync),
// the install queue, the conduits of the databases the handheld has, the
// backup, the log written to the handheld, the user information and the
// end of the HotSync.
#pragma once

#include <ostream>
#include <string_view>

#include "link/dlp_link.h"

namespace hotsync {

// Runs the HotSync over `link`, which has not shaken hands yet; the exit
// status of `hotsync sync`. `over` names the link for the user ("the
// network", "a serial line"). The handheld is told how it ended; the link
// is closed afterwards.
int RunLinkHotSync(platform::link::DesktopLink& link, std::string_view over, std::ostream& out,
                   std::ostream& err);

}  // namespace hotsync
