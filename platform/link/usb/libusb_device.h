// USB handhelds through libusb: finding the known ones on the bus, and
// opening one for its HotSync (its interface claimed, so that nothing else
// reads it meanwhile).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "link/usb/handheld_models.h"
#include "link/usb/usb_device.h"

struct libusb_context;

namespace platform::link::usb {

// Failure code of opening a handheld that a kernel driver (visor) holds.
constexpr int kUsbHeldByDriver = 3;

// One libusb session; shared by the devices opened in it.
class UsbContext {
 public:
  // Fails where USB cannot be used (no USB file system).
  static Result<std::shared_ptr<UsbContext>> Open();
  ~UsbContext();
  UsbContext(const UsbContext&) = delete;
  UsbContext& operator=(const UsbContext&) = delete;

  libusb_context* Get() const { return m_context; }

 private:
  explicit UsbContext(libusb_context* context) : m_context(context) {}
  libusb_context* m_context;
};

// A known handheld on the bus: where it is and what it is.
struct AttachedHandheld {
  uint8_t bus = 0;
  uint8_t address = 0;  // new each time the handheld connects
  const HandheldModel* model = nullptr;

  bool SameDevice(const AttachedHandheld& other) const {
    return bus == other.bus && address == other.address;
  }
};

// The known handhelds on the bus now.
Result<std::vector<AttachedHandheld>> ListHandhelds(UsbContext& context);

// Opens `handheld` and claims its HotSync interface. Fails with
// kUsbHeldByDriver when the kernel's driver has it, kUsbDeviceGone when it
// left the bus, and with the reason otherwise (no permission to open it).
Result<std::unique_ptr<UsbDevice>> OpenHandheld(std::shared_ptr<UsbContext> context,
                                                const AttachedHandheld& handheld);

}  // namespace platform::link::usb
