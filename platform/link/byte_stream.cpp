// Whole reads and writes on a descriptor, each wait bounded by poll().
#include "link/byte_stream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace platform::link {
namespace {

Failure SystemFailure(const char* what) {
  return Failure{std::string(what) + ": " + std::strerror(errno)};
}

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 60'000 ? 60'000 : static_cast<int>(left);
}

}  // namespace

ByteStream::~ByteStream() {
  Close();
}

ByteStream::ByteStream(ByteStream&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_maxWrite(other.m_maxWrite) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = std::exchange(other.m_fd, -1);
    m_maxWrite = other.m_maxWrite;
  }
  return *this;
}

void ByteStream::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

Result<void> ByteStream::WaitFor(short events, Clock::time_point deadline) {
  for (;;) {
    pollfd watched{m_fd, events, 0};
    const int timeout = MillisecondsUntil(deadline);
    const int ready = ::poll(&watched, 1, timeout);
    if (ready > 0) return {};
    if (ready < 0 && errno != EINTR) return SystemFailure("the link failed");
    if (ready == 0 && Clock::now() >= deadline) {
      return Failure{"the handheld did not answer in time"};
    }
  }
}

Result<void> ByteStream::ReadExactly(std::span<uint8_t> into, Clock::time_point deadline) {
  if (m_fd < 0) return Failure{"the connection is closed"};
  size_t done = 0;
  while (done < into.size()) {
    if (Result<void> ready = WaitFor(POLLIN, deadline); !ready) return ready;
    const ssize_t got = ::read(m_fd, into.data() + done, into.size() - done);
    if (got == 0) return Failure{"the handheld closed the connection"};
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == ECONNRESET) return Failure{"the handheld closed the connection"};
      return SystemFailure("the link failed");
    }
    done += static_cast<size_t>(got);
  }
  return {};
}

Result<void> ByteStream::WriteAll(std::span<const uint8_t> bytes, Clock::time_point deadline) {
  if (m_fd < 0) return Failure{"the connection is closed"};
  size_t done = 0;
  while (done < bytes.size()) {
    if (Result<void> ready = WaitFor(POLLOUT, deadline); !ready) return ready;
    size_t piece = bytes.size() - done;
    if (m_maxWrite != 0 && piece > m_maxWrite) piece = m_maxWrite;
    // A socket whose peer is gone must fail this write, not raise SIGPIPE.
    ssize_t sent = ::send(m_fd, bytes.data() + done, piece, MSG_NOSIGNAL);
    if (sent < 0 && errno == ENOTSOCK) sent = ::write(m_fd, bytes.data() + done, piece);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == EPIPE || errno == ECONNRESET)
        return Failure{"the handheld closed the connection"};
      return SystemFailure("the link failed");
    }
    done += static_cast<size_t>(sent);
  }
  return {};
}

}  // namespace platform::link
