// The packets of network HotSync (NetSync): a 6-byte head, then the
// payload, one DLP message per data packet.
//
//   offset size field
//        0    1 type           1 data, 2 tickle (a keep-alive, skipped)
//        1    1 transaction id the desktop counts 1, 2, ... 254, then 1
//                              again; a reply carries its request's id; the
//                              handheld's first packet uses 0xFF
//        2    4 length         of the payload, big-endian
//
// Before the first DLP request the two sides shake hands with five packets
// whose payloads only the handheld varies: it sends 22 bytes (id 0xFF), the
// desktop 50 (id 1), the handheld 50 (id 1), the desktop 46 (id 2), the
// handheld 8 (id 2).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::link {

constexpr uint16_t kNetSyncPort = 14238;

constexpr size_t kNetSyncHeadSize = 1 + 1 + 4;
constexpr uint8_t kNetSyncData = 1;
constexpr uint8_t kNetSyncTickle = 2;
// A payload longer than this is refused: no DLP message comes near it.
constexpr uint32_t kNetSyncMaxPayload = uint32_t{1} << 20;

constexpr uint8_t kHandheldFirstTransaction = 0xFF;
constexpr uint8_t kFirstDesktopTransaction = 1;

struct NetSyncHead {
  uint8_t type = kNetSyncData;
  uint8_t transaction = 0;
  uint32_t length = 0;

  static NetSyncHead Decode(std::span<const uint8_t, kNetSyncHeadSize> bytes);
  std::array<uint8_t, kNetSyncHeadSize> Encode() const;
};

// The transaction id after `id` in the desktop's count: 1 to 254, never 0
// or the handheld's 0xFF.
uint8_t NextTransaction(uint8_t id);

// The handshake's payload lengths, in order.
constexpr size_t kHandheldHelloSize = 22;
constexpr size_t kDesktopHelloSize = 50;
constexpr size_t kHandheldHelloReplySize = 50;
constexpr size_t kDesktopAcceptSize = 46;
constexpr size_t kHandheldAcceptReplySize = 8;

// The desktop's two handshake payloads, always the same.
std::span<const uint8_t, kDesktopHelloSize> DesktopHello();
std::span<const uint8_t, kDesktopAcceptSize> DesktopAccept();

// Payloads a handheld sends, as one real handheld sent them; a handheld
// played from an image uses them.
std::span<const uint8_t, kHandheldHelloSize> HandheldHello();
std::span<const uint8_t, kHandheldHelloReplySize> HandheldHelloReply();
std::span<const uint8_t, kHandheldAcceptReplySize> HandheldAcceptReply();

}  // namespace platform::link
