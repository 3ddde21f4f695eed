// Lets the links written for byte streams (NetSync, the serial stack) run
// over a USB handheld unchanged: two threads carry bytes between the
// handheld's bulk endpoints and one end of a socket pair, and the link
// reads and writes the other end as it would a TCP socket.
//
// The bridge ends when either side goes away: a handheld that is unplugged
// closes the link's end (its next read fails at once), and a link that
// closes its end stops the threads. Destroying the bridge stops and joins
// both threads and releases the device.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/byte_stream.h"
#include "link/usb/handheld_setup.h"
#include "link/usb/usb_device.h"

namespace platform::link::usb {

struct BridgeSettings {
  HotSyncEndpoints endpoints;
  // The longest a write to the handheld may take.
  std::chrono::milliseconds timeout{30'000};
  // Sent once to a handheld that has said nothing for `wakeAfter` (none
  // when empty): some handhelds start talking only when spoken to.
  std::vector<uint8_t> wakeBytes;
  std::chrono::milliseconds wakeAfter{1000};
};

// The empty network HotSync packet that gets a quiet handheld talking.
std::vector<uint8_t> NetSyncWakeBytes();

class UsbBridge {
 public:
  // Starts carrying bytes; fails only when no socket pair can be made.
  static Result<std::unique_ptr<UsbBridge>> Start(std::unique_ptr<UsbDevice> device,
                                                  BridgeSettings settings);
  ~UsbBridge();
  UsbBridge(const UsbBridge&) = delete;
  UsbBridge& operator=(const UsbBridge&) = delete;

  // The link's end of the socket pair; once.
  ByteStream TakeLinkEnd() { return std::move(m_linkEnd); }

  // Whether the handheld sent anything yet.
  bool Heard() const { return m_heard; }
  // Whether the bridge stopped, and why ("the handheld was disconnected").
  bool Ended() const { return m_stop; }
  std::string EndReason() const;
  // Whether it stopped because the handheld failed or went away: then the
  // link's own failure ("closed the connection") says less than this.
  bool HandheldFailed() const { return m_handheldFailed; }

  // Stops both threads and waits for them.
  void Stop();

 private:
  UsbBridge(std::unique_ptr<UsbDevice> device, BridgeSettings settings, int end, int linkEnd);
  void PumpFromHandheld();
  void PumpToHandheld();
  // Sends what the handheld sent to the link; false when the link is gone.
  bool SendToLink(std::span<const uint8_t> bytes);
  Result<void> SendToHandheld(std::span<const uint8_t> bytes);
  // Keeps the first reason and wakes both threads to stop.
  void End(const std::string& reason, bool handheldFailed = false);

  std::unique_ptr<UsbDevice> m_device;
  BridgeSettings m_settings;
  int m_end;
  ByteStream m_linkEnd;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_heard{false};
  std::atomic<bool> m_handheldFailed{false};
  mutable std::mutex m_mutex;
  std::string m_reason;
  // One writer on the OUT endpoint at a time (the wake and the link's bytes).
  std::mutex m_outMutex;
  std::thread m_fromHandheld;
  std::thread m_toHandheld;
};

}  // namespace platform::link::usb
