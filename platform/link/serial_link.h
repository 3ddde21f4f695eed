// DLP over a serial line (or serial bytes carried by a socket): the
// desktop's and the handheld's ends. Both open with CMP, the handheld's
// wakeup and the desktop's init, then carry one DLP request and its reply
// at a time as PADP messages (padp_channel.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "link/byte_stream.h"
#include "link/dlp_link.h"
#include "link/padp_channel.h"

namespace platform::link {

// CMP travels under this transaction id; DLP requests use 1 to 0xFE in turn.
constexpr uint8_t kCmpTransaction = 0xFF;
constexpr uint32_t kSerialDefaultMaxSpeed = 115'200;

struct SerialLinkSettings {
  PadpTiming timing;
  // The highest speed this end offers (the desktop) or can do (the handheld).
  uint32_t maxSpeed = kSerialDefaultMaxSpeed;
  // Told the speed both ends agreed on, once the handheld acked it, so
  // that a terminal line can be switched to it; a failure ends the
  // handshake.
  std::function<Result<void>(uint32_t)> onSpeedChosen;
};

class SerialDesktopLink final : public DesktopLink {
 public:
  SerialDesktopLink(ByteStream stream, SerialLinkSettings settings = {});

  // Waits for the handheld's wakeup and answers it, before the first
  // request. A handheld of another CMP version is refused.
  Result<void> Handshake() override;

  // A call that fails breaks the link: the stream is closed and every later
  // call fails at once.
  Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) override;
  void Close() override { m_channel.Close(); }
  bool Broken() const override { return m_broken; }
  // "Serial link at 115200 bit/s: 40 fragments sent (1 again), 0.2 s
  // waiting for acks."
  std::string Summary() const override;

 private:
  Result<std::vector<uint8_t>> Exchange(std::span<const uint8_t> request);

  PadpChannel m_channel;
  SerialLinkSettings m_settings;
  uint32_t m_speed = 0;  // agreed in the handshake
  uint64_t m_calls = 0;
  uint8_t m_transaction = 1;
  bool m_broken = false;
};

class SerialHandheldLink final : public HandheldLink {
 public:
  SerialHandheldLink(ByteStream stream, SerialLinkSettings settings = {});

  // Sends the wakeup and takes the desktop's init.
  Result<void> Handshake();

  Result<std::vector<uint8_t>> NextRequest() override;
  Result<void> Reply(std::span<const uint8_t> reply) override;
  void Close() override { m_channel.Close(); }

  // For tests that play a misbehaving handheld: the raw stream.
  ByteStream& Stream() { return m_channel.Stream(); }

 private:
  PadpChannel m_channel;
  SerialLinkSettings m_settings;
  uint8_t m_lastRequest = 0;
  bool m_longForm = false;
};

// The transaction id after `transaction`, skipping the one CMP uses and 0.
uint8_t NextSerialTransaction(uint8_t transaction);

}  // namespace platform::link
