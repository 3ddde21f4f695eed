// The Palm OS handhelds known to HotSync over USB, by vendor and product
// ID: how each frames its HotSync and what it must be asked before it
// talks. Other USB devices are never opened.
#pragma once

#include <cstdint>
#include <span>

#include "link/usb/framing.h"

namespace platform::link::usb {

// What a handheld is asked when it appears, before the HotSync starts.
enum class Setup {
  kNone,            // nothing (the first Palm with USB)
  kExtendedInfo,    // the extended connection information, else the plain
                    // one, then the bytes-available request
  kConnectionInfo,  // the plain connection information, then bytes-available
  kStandardProbe,   // the standard configuration and interface requests
                    // the earliest Sony handhelds wait for, then
                    // bytes-available
  kExtendedThrice,  // the extended connection information three times, as
                    // the maker's own driver asks it, and no bytes-available
};

struct HandheldModel {
  uint16_t vendor = 0;
  uint16_t product = 0;
  const char* name = "";
  Framing framing = Framing::kNetSync;
  Setup setup = Setup::kExtendedInfo;
};

// Every known handheld, by vendor then product.
std::span<const HandheldModel> KnownHandhelds();

// The handheld with these IDs; null for any other device.
const HandheldModel* FindHandheldModel(uint16_t vendor, uint16_t product);

}  // namespace platform::link::usb
