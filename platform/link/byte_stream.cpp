// Whole reads and writes on a descriptor, each wait bounded by poll().
#include "link/byte_stream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace platform::link {
namespace {

Failure SystemFailure(const char* what) {
  return Failure{std::string(what) + ": " + std::strerror(errno)};
}

// Reads of at least this size go straight to the caller; smaller ones take
// whatever else has arrived into the read-ahead buffer.
constexpr size_t kReadAheadSize = 16 * 1024;

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
    : m_fd(std::exchange(other.m_fd, -1)),
      m_maxWrite(other.m_maxWrite),
      m_readAhead(std::move(other.m_readAhead)),
      m_aheadBegin(std::exchange(other.m_aheadBegin, 0)),
      m_aheadEnd(std::exchange(other.m_aheadEnd, 0)) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = std::exchange(other.m_fd, -1);
    m_maxWrite = other.m_maxWrite;
    m_readAhead = std::move(other.m_readAhead);
    m_aheadBegin = std::exchange(other.m_aheadBegin, 0);
    m_aheadEnd = std::exchange(other.m_aheadEnd, 0);
  }
  return *this;
}

void ByteStream::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_aheadBegin = m_aheadEnd = 0;
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

size_t ByteStream::TakeReadAhead(std::span<uint8_t> into) {
  const size_t count = std::min(into.size(), m_aheadEnd - m_aheadBegin);
  std::copy_n(m_readAhead.begin() + static_cast<ptrdiff_t>(m_aheadBegin), count, into.begin());
  m_aheadBegin += count;
  return count;
}

Result<size_t> ByteStream::ReadAvailable(std::span<uint8_t> rest) {
  const bool direct = rest.size() >= kReadAheadSize;
  if (!direct && m_readAhead.size() != kReadAheadSize) m_readAhead.resize(kReadAheadSize);
  m_aheadBegin = m_aheadEnd = 0;
  const ssize_t got = direct ? ::read(m_fd, rest.data(), rest.size())
                             : ::read(m_fd, m_readAhead.data(), m_readAhead.size());
  if (got == 0) return Failure{"the handheld closed the connection"};
  if (got < 0) {
    if (errno == EINTR || errno == EAGAIN) return size_t{0};
    if (errno == ECONNRESET) return Failure{"the handheld closed the connection"};
    return SystemFailure("the link failed");
  }
  if (direct) return static_cast<size_t>(got);
  m_aheadEnd = static_cast<size_t>(got);
  return TakeReadAhead(rest);
}

Result<void> ByteStream::ReadExactly(std::span<uint8_t> into, Clock::time_point deadline) {
  if (m_fd < 0) return Failure{"the connection is closed"};
  size_t done = TakeReadAhead(into);
  while (done < into.size()) {
    if (Result<void> ready = WaitFor(POLLIN, deadline); !ready) return ready;
    Result<size_t> got = ReadAvailable(into.subspan(done));
    if (!got) return got.Error();
    done += *got;
  }
  return {};
}

Result<size_t> ByteStream::ReadSome(std::span<uint8_t> into, Clock::time_point deadline) {
  if (m_fd < 0) return Failure{"the connection is closed"};
  if (const size_t taken = TakeReadAhead(into); taken > 0) return taken;
  for (;;) {
    if (Result<void> ready = WaitFor(POLLIN, deadline); !ready) {
      if (Clock::now() >= deadline) return size_t{0};
      return ready.Error();
    }
    Result<size_t> got = ReadAvailable(into);
    if (!got || *got > 0) return got;
  }
}

void ByteStream::Unread(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> ahead(bytes.begin(), bytes.end());
  ahead.insert(ahead.end(), m_readAhead.begin() + static_cast<ptrdiff_t>(m_aheadBegin),
               m_readAhead.begin() + static_cast<ptrdiff_t>(m_aheadEnd));
  m_readAhead = std::move(ahead);
  m_aheadBegin = 0;
  m_aheadEnd = m_readAhead.size();
}

Result<void> ByteStream::WriteAll(std::span<const uint8_t> bytes, Clock::time_point deadline) {
  if (m_fd < 0) return Failure{"the connection is closed"};
  size_t done = 0;
  while (done < bytes.size()) {
    size_t piece = bytes.size() - done;
    if (m_maxWrite != 0 && piece > m_maxWrite) piece = m_maxWrite;
    // A socket with room takes the bytes without a wait first, and one
    // without says EAGAIN instead of blocking past the deadline. A socket
    // whose peer is gone must fail this write, not raise SIGPIPE.
    ssize_t sent = ::send(m_fd, bytes.data() + done, piece, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == ENOTSOCK) {
      if (Result<void> ready = WaitFor(POLLOUT, deadline); !ready) return ready;
      sent = ::write(m_fd, bytes.data() + done, piece);
    }
    if (sent < 0) {
      if (errno == EAGAIN) {
        if (Result<void> ready = WaitFor(POLLOUT, deadline); !ready) return ready;
        continue;
      }
      if (errno == EINTR) continue;
      if (errno == EPIPE || errno == ECONNRESET)
        return Failure{"the handheld closed the connection"};
      return SystemFailure("the link failed");
    }
    done += static_cast<size_t>(sent);
  }
  return {};
}

}  // namespace platform::link
