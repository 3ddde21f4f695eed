// USB handhelds as a handheld port: the handheld appears only when its
// HotSync button is pressed, and goes away at the end of its HotSync.
#pragma once

#include <memory>

#include "manager/handheld_ports.h"

namespace hotsync {

std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings& settings);

}  // namespace hotsync
