// The ttys the kernel's visor driver makes for a USB handheld
// (/dev/ttyUSB<n>), found through sysfs: a tty whose device is bound to
// the driver named "visor". A handheld has two; its HotSync runs on the
// second.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::link::usb {

// The names of the visor driver's ttys under `sysRoot` ("/sys"), in the
// order of their numbers.
std::vector<std::string> FindVisorTtys(const std::string& sysRoot);

// The tty of the HotSync among `ttys` (in number order): the second of a
// handheld's pair, the only one when there is one; none when empty.
std::optional<std::string> HotSyncTty(const std::vector<std::string>& ttys);

}  // namespace platform::link::usb
