// What a USB handheld says about its ports when asked, and which
// endpoints its HotSync port uses.
//
// Connection information (vendor request 0x03), little-endian:
//
//   offset size field
//        0    2 port count
//        2  2*n per port: function (1: 2 is HotSync), port (1: the
//               endpoint number both ways)
//
// Extended connection information (vendor request 0x04), little-endian:
//
//   offset size field
//        0    1 port count
//        1    1 endpoints differ: 0, each port's number serves both ways;
//               otherwise each port has an IN and an OUT endpoint
//        2    2 reserved
//        4  8*n per port: function (4: the creator of the application on
//               the port, byte-reversed, "cnys" for HotSync), port (1),
//               endpoints (1: IN number in the high four bits, OUT in the
//               low four), reserved (2)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "bytes/bytes.h"
#include "result/result.h"

namespace platform::link::usb {

constexpr uint8_t kRequestBytesAvailable = 0x01;
constexpr uint8_t kRequestConnectionInfo = 0x03;
constexpr uint8_t kRequestExtendedConnectionInfo = 0x04;

// The endpoint numbers (without direction) of the HotSync port.
struct EndpointNumbers {
  uint8_t in = 0;
  uint8_t out = 0;

  bool operator==(const EndpointNumbers&) const = default;
};

struct ConnectionInfo {
  static constexpr size_t kHeadSize = 2;
  static constexpr size_t kPortSize = 1 + 1;
  static constexpr uint8_t kHotSyncFunction = 2;

  struct Port {
    uint8_t function = 0;
    uint8_t port = 0;
  };
  std::vector<Port> ports;

  // Fails on a reply shorter than its head or than the ports it counts.
  static Result<ConnectionInfo> Decode(ByteSpan reply);
  std::vector<uint8_t> Encode() const;
  // The HotSync port's endpoints; none when no port is HotSync's or its
  // number is 0.
  std::optional<EndpointNumbers> HotSyncEndpoints() const;
};

struct ExtendedConnectionInfo {
  static constexpr size_t kHeadSize = 1 + 1 + 2;
  static constexpr size_t kPortSize = 4 + 1 + 1 + 2;
  static constexpr std::array<uint8_t, 4> kHotSyncFunction = {'c', 'n', 'y', 's'};

  struct Port {
    std::array<uint8_t, 4> function{};
    uint8_t port = 0;
    uint8_t endpoints = 0;
  };
  bool endpointsDiffer = false;
  std::vector<Port> ports;

  static Result<ExtendedConnectionInfo> Decode(ByteSpan reply);
  std::vector<uint8_t> Encode() const;
  std::optional<EndpointNumbers> HotSyncEndpoints() const;
};

// The longest replies asked for: room for eight ports.
constexpr uint16_t kConnectionInfoRequestSize =
    ConnectionInfo::kHeadSize + 8 * ConnectionInfo::kPortSize;
constexpr uint16_t kExtendedConnectionInfoRequestSize =
    ExtendedConnectionInfo::kHeadSize + 8 * ExtendedConnectionInfo::kPortSize;

}  // namespace platform::link::usb
