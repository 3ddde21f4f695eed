// The ways a handheld reaches this PC: a TCP port for network HotSync,
// serial bytes over TCP, a serial line, USB. `hotsync listen` and the
// resident HotSync Manager wait on every port they were given with poll();
// a port that is ready hands over the link of the handheld that started a
// HotSync there.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/dlp_link.h"
#include "link/serial_link.h"
#include "result/result.h"

namespace hotsync {

// How often a port whose device is absent (a USB handheld before its
// HotSync button is pressed) looks for it again.
constexpr std::chrono::milliseconds kPortRevisitInterval{1000};

class HandheldPort {
 public:
  virtual ~HandheldPort() = default;

  // What it waits on, for the user: "TCP port 14238", "the serial line /dev/ttyS0".
  virtual std::string Description() const = 0;
  // The link's name in "HotSync of "NAME" over ...": "the network".
  virtual std::string_view Over() const = 0;

  // The descriptor to poll for input; -1 while its device is absent.
  virtual int Fd() const = 0;
  // Called about every kPortRevisitInterval while Fd() is -1: looks for
  // the device again.
  virtual void Revisit() {}
  // The descriptor hung up or failed without input: the device went away.
  virtual void Lost() {}

  // The link of the handheld that is starting a HotSync on the port, not
  // yet shaken hands; null when it went away before it was taken.
  virtual std::unique_ptr<platform::link::DesktopLink> Accept() = 0;
  // After each HotSync on the port (a serial line returns to 9600 bit/s).
  virtual void HotSyncEnded() {}
};

// What every link of a port is made with.
struct LinkSettings {
  // The longest wait for any one answer of the handheld.
  std::chrono::milliseconds timeout = platform::link::kDefaultLinkTimeout;
  // The highest speed offered to a serial handheld (some USB-serial
  // adapters fail at the fastest ones).
  uint32_t maxSpeed = platform::link::kSerialDefaultMaxSpeed;
};

// Network HotSync on `address` (empty: every address) and TCP `port` (0: a
// free one, which Description() names).
platform::Result<std::unique_ptr<HandheldPort>> MakeNetworkPort(const std::string& address,
                                                                uint16_t port,
                                                                const LinkSettings& settings);
// Serial bytes over TCP, as emulators offer their serial port.
platform::Result<std::unique_ptr<HandheldPort>> MakeSerialTcpPort(const std::string& address,
                                                                  uint16_t port,
                                                                  const LinkSettings& settings);
// A serial line; a device that does not exist yet (a USB-serial adapter
// not plugged in) is waited for. Fails when the device exists but cannot
// be used.
platform::Result<std::unique_ptr<HandheldPort>> MakeSerialLinePort(const std::string& device,
                                                                   const LinkSettings& settings);

// The serial link's settings from a port's.
platform::link::SerialLinkSettings SerialSettings(const LinkSettings& settings);

}  // namespace hotsync
