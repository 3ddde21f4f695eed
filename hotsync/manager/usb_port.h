// USB handhelds as a handheld port: the handheld appears only when its
// HotSync button is pressed, and goes away at the end of its HotSync.
//
// While none is there the port looks about every second for the tty the
// kernel's visor driver makes (preferred when present), then for a known
// handheld on the bus through libusb. What keeps a handheld from being
// reached (the visor driver holding it, no permission to open it) is told
// once per handheld.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "manager/handheld_ports.h"

namespace hotsync {

// Where the port looks, and where it tells what it could not do; tests
// give a sysfs and /dev of their own.
struct UsbPortPlaces {
  std::string sysRoot = "/sys";
  std::string devRoot = "/dev";
  // Whether to look on the bus through libusb as well.
  bool libusb = true;
  // Told each reason a handheld cannot be reached (default: a line on
  // standard error).
  std::function<void(const std::string&)> notify;
};

std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings& settings);
std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings& settings, UsbPortPlaces places);

}  // namespace hotsync
