// A USB handheld for tests, where none can be plugged in: control requests
// are answered from a table (a request not in it is refused, as a handheld
// stalls one it does not know), and the bulk endpoints are carried by a
// socket whose other end the test plays the handheld on. Closing that end,
// or Unplug(), is the handheld leaving the bus.
#pragma once

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "link/usb/handheld_setup.h"
#include "link/usb/usb_device.h"

namespace usbtest {

using platform::link::usb::BulkEndpoint;
using platform::link::usb::ControlRequest;

// The endpoints of most handhelds: IN 0x82 and OUT 0x02 of 64 bytes, and a
// second pair of another port.
std::vector<BulkEndpoint> TypicalEndpoints();

class FakeUsbDevice final : public platform::link::usb::UsbDevice {
 public:
  // `socket` (owned; -1 for none) carries the bulk bytes of `endpoints`
  // (the chosen IN and OUT pair); other endpoints fail.
  FakeUsbDevice(int socket, std::vector<BulkEndpoint> endpoints,
                platform::link::usb::HotSyncEndpoints bulk = {0x82, 0x02});
  ~FakeUsbDevice() override;

  // What a request of (requestType, request) answers.
  void Answer(uint8_t requestType, uint8_t request, std::vector<uint8_t> reply);
  void Unplug();
  // The requests asked so far, in order.
  std::vector<uint8_t> Asked() const;

  platform::Result<std::vector<uint8_t>> ControlIn(const ControlRequest& request,
                                                   std::chrono::milliseconds timeout) override;
  platform::Result<size_t> BulkIn(uint8_t endpoint, std::span<uint8_t> into,
                                  std::chrono::milliseconds timeout) override;
  platform::Result<void> BulkOut(uint8_t endpoint, std::span<const uint8_t> bytes,
                                 std::chrono::milliseconds timeout) override;
  std::vector<BulkEndpoint> BulkEndpoints() const override { return m_endpoints; }

 private:
  int m_socket;
  std::vector<BulkEndpoint> m_endpoints;
  platform::link::usb::HotSyncEndpoints m_bulk;
  mutable std::mutex m_mutex;
  std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> m_replies;
  std::vector<uint8_t> m_asked;
  bool m_unplugged = false;
};

}  // namespace usbtest
