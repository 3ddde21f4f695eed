// Listening and connecting TCP sockets, each wait bounded by poll().
#include "link/tcp_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace platform::link {
namespace {

Failure SystemFailure(const std::string& what, int error) {
  return Failure{what + ": " + std::strerror(error)};
}

struct AddressList {
  addrinfo* first = nullptr;
  ~AddressList() {
    if (first != nullptr) freeaddrinfo(first);
  }
};

Result<void> Resolve(const std::string& host, uint16_t port, bool passive, AddressList& list) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = passive ? AI_PASSIVE : AI_ADDRCONFIG;
  const std::string service = std::to_string(port);
  const int error = getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints,
                                &list.first);
  if (error != 0) {
    return Failure{"cannot find the address \"" + host + "\": " + gai_strerror(error)};
  }
  return {};
}

uint16_t BoundPort(int fd) {
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
  if (bound.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

// A listening socket on the address: IPv6 sockets take IPv4 too, so "every
// address" is one socket.
Result<int> ListenOn(const addrinfo& address) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, 0);
  if (fd < 0) return SystemFailure("cannot make a socket", errno);
  const int on = 1;
  const int off = 0;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address.ai_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  if (bind(fd, address.ai_addr, address.ai_addrlen) != 0 || listen(fd, 4) != 0) {
    const int error = errno;
    close(fd);
    return SystemFailure("cannot listen", error);
  }
  return fd;
}

// Waits for `fd` to be ready for `events` within `timeout`: 1 ready, 0 the
// time passed, -1 an error (errno).
int Wait(int fd, short events, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd watched{fd, events, 0};
    const int ready = poll(&watched, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
    if (ready >= 0 || errno != EINTR) return ready > 0 ? 1 : ready;
  }
}

void SetNoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

Result<TcpListener> TcpListener::Listen(const std::string& address, uint16_t port) {
  // Every address: the IPv6 wildcard, which takes IPv4 too, or IPv4's on a
  // machine without IPv6.
  const std::vector<std::string> candidates =
      address.empty() ? std::vector<std::string>{"::", "0.0.0.0"} : std::vector{address};
  std::string lastReason = "no address to listen on";
  for (const std::string& candidate : candidates) {
    AddressList list;
    if (Result<void> found = Resolve(candidate, port, true, list); !found) {
      lastReason = found.Reason();
      continue;
    }
    for (const addrinfo* each = list.first; each != nullptr; each = each->ai_next) {
      Result<int> fd = ListenOn(*each);
      if (fd) return TcpListener(*fd, BoundPort(*fd));
      lastReason = fd.Reason();
    }
  }
  return Failure{lastReason + " (port " + std::to_string(port) + ")"};
}

TcpListener::TcpListener(TcpListener&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_port(other.m_port) {}

TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
    m_port = other.m_port;
  }
  return *this;
}

TcpListener::~TcpListener() {
  if (m_fd >= 0) close(m_fd);
}

Result<ByteStream> TcpListener::Accept(std::chrono::milliseconds timeout) {
  const int ready = Wait(m_fd, POLLIN, timeout);
  if (ready == 0) return Failure{"no handheld connected in time", kTimedOut};
  if (ready < 0) return SystemFailure("cannot wait for handhelds", errno);
  const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return SystemFailure("cannot take the connection", errno);
  SetNoDelay(fd);
  return ByteStream(fd);
}

Result<ByteStream> ConnectTcp(const std::string& host, uint16_t port,
                              std::chrono::milliseconds timeout) {
  AddressList list;
  if (Result<void> found = Resolve(host, port, false, list); !found) return Failure{found.Reason()};
  std::string lastReason = "no address for \"" + host + "\"";
  for (const addrinfo* each = list.first; each != nullptr; each = each->ai_next) {
    const int fd = socket(each->ai_family, each->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) continue;
    int error = connect(fd, each->ai_addr, each->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
      const int ready = Wait(fd, POLLOUT, timeout);
      socklen_t size = sizeof error;
      error = ready == 0 ? ETIMEDOUT
              : ready < 0 ? errno
                          : (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size), error);
    }
    if (error == 0) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      SetNoDelay(fd);
      return ByteStream(fd);
    }
    close(fd);
    lastReason = "cannot connect to " + host + ":" + std::to_string(port) + ": " +
                 std::strerror(error);
  }
  return Failure{lastReason};
}

Result<HostAndPort> ParseHostAndPort(const std::string& text, uint16_t defaultPort) {
  HostAndPort parsed{text, defaultPort};
  size_t colon = std::string::npos;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return Failure{"\"" + text + "\" has no closing ]"};
    parsed.host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return Failure{"\"" + text + "\" is not HOST:PORT"};
      colon = close + 1;
    }
  } else if (text.find(':') == text.rfind(':')) {  // one colon at most: not a bare IPv6
    colon = text.find(':');
    if (colon != std::string::npos) parsed.host = text.substr(0, colon);
  }
  if (colon != std::string::npos) {
    const std::string port = text.substr(colon + 1);
    char* end = nullptr;
    const long number = port.empty() ? 0 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > 65535) {
      return Failure{"\"" + port + "\" is not a port number (1 to 65535)"};
    }
    parsed.port = static_cast<uint16_t>(number);
  }
  if (parsed.host.empty()) return Failure{"\"" + text + "\" names no host"};
  return parsed;
}

}  // namespace platform::link
