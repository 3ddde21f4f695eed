// DLP over network HotSync: the desktop's and the handheld's ends of a
// NetSync connection (packets and handshake in netsync_packet.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/byte_stream.h"
#include "link/dlp_link.h"
#include "link/netsync_packet.h"

namespace platform::link {

struct NetSyncPacket {
  uint8_t transaction = 0;
  std::vector<uint8_t> payload;
};

// Reads the next data packet, skipping tickles. Fails on an unknown packet
// type, a payload over kNetSyncMaxPayload, a closed stream or the deadline.
Result<NetSyncPacket> ReadNetSyncPacket(ByteStream& stream, Clock::time_point deadline);
Result<void> WriteNetSyncPacket(ByteStream& stream, uint8_t transaction,
                                std::span<const uint8_t> payload, Clock::time_point deadline);

class NetSyncDesktopLink final : public DesktopLink {
 public:
  NetSyncDesktopLink(ByteStream stream, std::chrono::milliseconds timeout = kDefaultLinkTimeout);

  // The desktop's part of the handshake, before the first request.
  Result<void> Handshake() override;

  // A call that fails breaks the link: the stream is closed, and every
  // later call fails at once, so a HotSync whose handheld is gone ends
  // without waiting again.
  Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) override;
  void Close() override { m_stream.Close(); }
  bool Broken() const override { return m_broken; }

 private:
  Clock::time_point Deadline() const { return Clock::now() + m_timeout; }
  // Reads the handheld's next handshake packet and checks its length.
  Result<void> ExpectHandshake(size_t size, const char* which);
  Result<std::vector<uint8_t>> Exchange(std::span<const uint8_t> request);

  ByteStream m_stream;
  std::chrono::milliseconds m_timeout;
  uint8_t m_transaction = kFirstDesktopTransaction;
  bool m_broken = false;
};

class NetSyncHandheldLink final : public HandheldLink {
 public:
  NetSyncHandheldLink(ByteStream stream, std::chrono::milliseconds timeout = kDefaultLinkTimeout);

  // The handheld's part of the handshake, as a real handheld sends it.
  Result<void> Handshake();

  Result<std::vector<uint8_t>> NextRequest() override;
  Result<void> Reply(std::span<const uint8_t> reply) override;
  void Close() override { m_stream.Close(); }

  // For tests that play a misbehaving handheld: the raw stream.
  ByteStream& Stream() { return m_stream; }

 private:
  Clock::time_point Deadline() const { return Clock::now() + m_timeout; }

  ByteStream m_stream;
  std::chrono::milliseconds m_timeout;
  uint8_t m_lastRequest = 0;
};

}  // namespace platform::link
