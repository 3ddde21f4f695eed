// Waiting for handhelds on every port at once, one HotSync at a time: a
// handheld that starts during a HotSync waits for it to end.
#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <vector>

#include "manager/handheld_ports.h"
#include "manager/hotsync_commands.h"
#include "result/result.h"

namespace hotsync {

using HandheldPorts = std::vector<std::unique_ptr<HandheldPort>>;

// Runs the HotSync of each handheld that arrives on `ports` until one of
// `others` has input (their revents say which) or `afterHotSync`, given
// each HotSync's exit status, returns false. Fails only when it cannot
// wait.
platform::Result<void> ServeHandhelds(HandheldPorts& ports, std::span<pollfd> others,
                                      const std::function<bool(int)>& afterHotSync,
                                      std::ostream& out, std::ostream& err);

// The ports `options` names (its network, serial, serial-over-TCP and USB
// links). A port that cannot be used fails them all; with `warnings`, it
// is left out after a warning there instead.
platform::Result<HandheldPorts> OpenPorts(const ListenOptions& options, std::ostream* warnings);

// "TCP port 14238 and the serial line /dev/ttyS0", for the user.
std::string DescribePorts(const HandheldPorts& ports);

}  // namespace hotsync
