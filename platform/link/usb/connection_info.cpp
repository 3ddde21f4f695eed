// Decoding and encoding the two connection-information replies.
#include "link/usb/connection_info.h"

#include <string>

namespace platform::link::usb {
namespace {

// Checks that `reply` holds the head and the `count` ports it announces.
Result<void> CheckPortsFit(ByteSpan reply, size_t headSize, size_t portSize, size_t count,
                           const char* what) {
  if (reply.size() < headSize) {
    return Failure{std::string("the handheld's ") + what + " is " + std::to_string(reply.size()) +
                   " bytes, shorter than its head of " + std::to_string(headSize)};
  }
  const size_t room = (reply.size() - headSize) / portSize;
  if (count > room) {
    return Failure{std::string("the handheld's ") + what + " counts " + std::to_string(count) +
                   " ports but has room for " + std::to_string(room)};
  }
  return {};
}

}  // namespace

Result<ConnectionInfo> ConnectionInfo::Decode(ByteSpan reply) {
  const char* what = "connection information";
  if (Result<void> fits = CheckPortsFit(reply, kHeadSize, kPortSize, 0, what); !fits) {
    return fits.Error();
  }
  ByteReader reader(reply);
  const uint16_t count = reader.U16Le();
  if (Result<void> fits = CheckPortsFit(reply, kHeadSize, kPortSize, count, what); !fits) {
    return fits.Error();
  }
  ConnectionInfo info;
  for (uint16_t i = 0; i < count; ++i) {
    Port port;
    port.function = reader.U8();
    port.port = reader.U8();
    info.ports.push_back(port);
  }
  return info;
}

std::vector<uint8_t> ConnectionInfo::Encode() const {
  ByteWriter writer;
  writer.U16Le(static_cast<uint16_t>(ports.size()));
  for (const Port& port : ports) {
    writer.U8(port.function);
    writer.U8(port.port);
  }
  return writer.Take();
}

std::optional<EndpointNumbers> ConnectionInfo::HotSyncEndpoints() const {
  for (const Port& port : ports) {
    if (port.function == kHotSyncFunction && port.port != 0) {
      return EndpointNumbers{port.port, port.port};
    }
  }
  return std::nullopt;
}

Result<ExtendedConnectionInfo> ExtendedConnectionInfo::Decode(ByteSpan reply) {
  const char* what = "extended connection information";
  if (Result<void> fits = CheckPortsFit(reply, kHeadSize, kPortSize, 0, what); !fits) {
    return fits.Error();
  }
  ByteReader reader(reply);
  const uint8_t count = reader.U8();
  ExtendedConnectionInfo info;
  info.endpointsDiffer = reader.U8() != 0;
  reader.Skip(2);
  if (Result<void> fits = CheckPortsFit(reply, kHeadSize, kPortSize, count, what); !fits) {
    return fits.Error();
  }
  for (uint8_t i = 0; i < count; ++i) {
    Port port;
    const ByteSpan function = reader.Bytes(port.function.size());
    std::copy(function.begin(), function.end(), port.function.begin());
    port.port = reader.U8();
    port.endpoints = reader.U8();
    reader.Skip(2);
    info.ports.push_back(port);
  }
  return info;
}

std::vector<uint8_t> ExtendedConnectionInfo::Encode() const {
  ByteWriter writer;
  writer.U8(static_cast<uint8_t>(ports.size()));
  writer.U8(endpointsDiffer ? 1 : 0);
  writer.Zeros(2);
  for (const Port& port : ports) {
    writer.Bytes(port.function);
    writer.U8(port.port);
    writer.U8(port.endpoints);
    writer.Zeros(2);
  }
  return writer.Take();
}

std::optional<EndpointNumbers> ExtendedConnectionInfo::HotSyncEndpoints() const {
  for (const Port& port : ports) {
    if (port.function != kHotSyncFunction) continue;
    const EndpointNumbers numbers =
        endpointsDiffer ? EndpointNumbers{static_cast<uint8_t>(port.endpoints >> 4),
                                          static_cast<uint8_t>(port.endpoints & 0x0F)}
                        : EndpointNumbers{port.port, port.port};
    if (numbers.in != 0 && numbers.out != 0) return numbers;
  }
  return std::nullopt;
}

}  // namespace platform::link::usb
