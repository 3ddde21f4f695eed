// A connected byte stream (a TCP socket, one end of a socket pair or a
// pseudo-terminal) read and written whole, under a time limit: a handheld
// that stops answering ends the wait with a failure, never a hang.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "result/result.h"

namespace platform::link {

using Clock = std::chrono::steady_clock;

class ByteStream {
 public:
  // Takes ownership of `fd`.
  explicit ByteStream(int fd) : m_fd(fd) {}
  ~ByteStream();
  ByteStream(ByteStream&& other) noexcept;
  ByteStream& operator=(ByteStream&& other) noexcept;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Fills `into` completely by `deadline`. Fails when the peer closes the
  // stream first ("the handheld closed the connection"), on an error, or
  // when the deadline passes ("the handheld did not answer in time").
  Result<void> ReadExactly(std::span<uint8_t> into, Clock::time_point deadline);
  // Reads what has arrived, at most `into.size()` bytes, waiting until
  // `deadline` for the first; the count, 0 when the deadline passed first
  // (for links that retry on a quiet line rather than give up).
  Result<size_t> ReadSome(std::span<uint8_t> into, Clock::time_point deadline);
  // Writes all of `bytes` by `deadline`.
  Result<void> WriteAll(std::span<const uint8_t> bytes, Clock::time_point deadline);
  // Puts `bytes` back in front of what is still to be read: a reader that
  // looked at the first bytes to choose a protocol hands them on whole.
  void Unread(std::span<const uint8_t> bytes);

  // Sends at most `maxBytes` in each write (0: no limit), so that the peer
  // receives every message in pieces: for tests of how it reassembles them.
  void LimitWrites(size_t maxBytes) { m_maxWrite = maxBytes; }

  int Fd() const { return m_fd; }
  bool IsOpen() const { return m_fd >= 0; }
  void Close();

 private:
  // Waits until the stream is ready for `events`; false when the deadline
  // passed first.
  Result<void> WaitFor(short events, Clock::time_point deadline);
  // Moves read-ahead bytes into `into`; the count.
  size_t TakeReadAhead(std::span<uint8_t> into);
  // One read of what the stream has (after a wait said it has some); the
  // bytes put into `rest`, 0 when the read was interrupted.
  Result<size_t> ReadAvailable(std::span<uint8_t> rest);

  int m_fd = -1;
  size_t m_maxWrite = 0;
  // Bytes read beyond what the caller asked for, kept for the next read:
  // a packet's head and payload, sent together, take one read, not two.
  std::vector<uint8_t> m_readAhead;
  size_t m_aheadBegin = 0;
  size_t m_aheadEnd = 0;
};

}  // namespace platform::link
