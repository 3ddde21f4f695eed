// A USB handheld as this program talks to it: vendor control requests on
// endpoint zero and bulk transfers on its HotSync endpoints, each under a
// time limit. The real one is libusb's (libusb_device.h); tests use a
// double, since no handheld is plugged in where they run.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "result/result.h"

namespace platform::link::usb {

// Failure code of a transfer to a device that is no longer there.
constexpr int kUsbDeviceGone = 1;
// Failure code of a control request the device refused (stalled): it does
// not know the request.
constexpr int kUsbRequestRefused = 2;

// bmRequestType of the handheld's vendor requests: device to host, vendor,
// addressed to an endpoint.
constexpr uint8_t kVendorInToEndpoint = 0xC2;
// bmRequestType of a standard request to the device, device to host.
constexpr uint8_t kStandardInToDevice = 0x80;
// The direction bit of an endpoint address: set for IN (device to host).
constexpr uint8_t kEndpointIn = 0x80;

struct ControlRequest {
  uint8_t requestType = kVendorInToEndpoint;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  // The most bytes the reply may have.
  uint16_t length = 0;
};

// A bulk endpoint of the handheld's HotSync interface.
struct BulkEndpoint {
  uint8_t address = 0;  // number, with kEndpointIn for an IN endpoint
  uint16_t maxPacketSize = 0;

  uint8_t Number() const { return address & 0x0F; }
  bool IsIn() const { return (address & kEndpointIn) != 0; }
};

class UsbDevice {
 public:
  virtual ~UsbDevice() = default;

  // The reply of a control request, as many bytes as the device sent.
  virtual Result<std::vector<uint8_t>> ControlIn(const ControlRequest& request,
                                                 std::chrono::milliseconds timeout) = 0;
  // Reads what the device sends on IN `endpoint` into `into`; the count,
  // 0 when nothing came within `timeout`.
  virtual Result<size_t> BulkIn(uint8_t endpoint, std::span<uint8_t> into,
                                std::chrono::milliseconds timeout) = 0;
  // Sends all of `bytes` on OUT `endpoint` within `timeout`.
  virtual Result<void> BulkOut(uint8_t endpoint, std::span<const uint8_t> bytes,
                               std::chrono::milliseconds timeout) = 0;
  // The bulk endpoints of the interface the HotSync runs on.
  virtual std::vector<BulkEndpoint> BulkEndpoints() const = 0;
};

}  // namespace platform::link::usb
