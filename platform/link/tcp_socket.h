// TCP for network HotSync: the desktop listens for handhelds, a handheld
// played from an image connects. Addresses are numeric or host names,
// IPv4 or IPv6.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "link/byte_stream.h"
#include "link/netsync_packet.h"
#include "result/result.h"

namespace platform::link {

class TcpListener {
 public:
  // Listens on `address` (empty: every address) and `port` (0: any free
  // port, see Port()).
  static Result<TcpListener> Listen(const std::string& address, uint16_t port);

  TcpListener(TcpListener&& other) noexcept;
  TcpListener& operator=(TcpListener&& other) noexcept;
  ~TcpListener();

  // The next connection; a failure when `timeout` passes first (the
  // reason then says so and Code() is kTimedOut) or the listener fails.
  Result<ByteStream> Accept(std::chrono::milliseconds timeout);
  uint16_t Port() const { return m_port; }
  // For waiting on it beside other descriptors: readable when a handheld
  // is connecting.
  int Fd() const { return m_fd; }

  static constexpr int kTimedOut = 1;

 private:
  explicit TcpListener(int fd, uint16_t port) : m_fd(fd), m_port(port) {}
  int m_fd = -1;
  uint16_t m_port = 0;
};

// Connects to `host`:`port` within `timeout`.
Result<ByteStream> ConnectTcp(const std::string& host, uint16_t port,
                              std::chrono::milliseconds timeout);

// "HOST:PORT", "[V6ADDR]:PORT" or "HOST" (the NetSync port) as its parts;
// nothing when the port is not a number from 1 to 65535.
struct HostAndPort {
  std::string host;
  uint16_t port = 0;
};
Result<HostAndPort> ParseHostAndPort(const std::string& text, uint16_t defaultPort);

}  // namespace platform::link
