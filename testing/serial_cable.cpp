#include "testing/serial_cable.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "link/padp.h"
#include "link/serial_link.h"
#include "link/slp_frame.h"

namespace vlmtest {
namespace {

// How long the other end may read what was sent before one end closed.
constexpr std::chrono::milliseconds kHangUpGrace{500};

// A master of a new pseudo-terminal in raw mode (so that nothing is echoed
// before a program opens its end), and the path of its end.
int OpenMaster(std::string& path) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master < 0) return -1;
  termios settings{};
  if (grantpt(master) != 0 || unlockpt(master) != 0 || tcgetattr(master, &settings) != 0) {
    close(master);
    return -1;
  }
  cfmakeraw(&settings);
  tcsetattr(master, TCSANOW, &settings);
  path = ptsname(master);
  return master;
}

speed_t SpeedOf(int master) {
  termios settings{};
  return tcgetattr(master, &settings) == 0 ? cfgetospeed(&settings) : B0;
}

// Writes what it can within two seconds; an end that reads nothing loses
// the rest, as a line does.
void WriteAll(int fd, const uint8_t* bytes, size_t size) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (size > 0 && std::chrono::steady_clock::now() < deadline) {
    const ssize_t wrote = write(fd, bytes, size);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd out{fd, POLLOUT, 0};
        poll(&out, 1, 100);
        continue;
      }
      return;
    }
    bytes += wrote;
    size -= static_cast<size_t>(wrote);
  }
}

// The handheld's bytes as frames, without the acks the cable loses.
class AckFilter {
 public:
  explicit AckFilter(std::optional<size_t> loseFrom) : m_loseFrom(loseFrom) {}
  std::vector<uint8_t> Pass(std::span<const uint8_t> bytes) {
    if (!m_loseFrom) return {bytes.begin(), bytes.end()};
    m_reader.Feed(bytes);
    std::vector<uint8_t> passed;
    while (std::optional<platform::link::SlpFrame> frame = m_reader.Next()) {
      const bool ack = frame->transaction != platform::link::kCmpTransaction &&
                       !frame->body.empty() && frame->body[0] == platform::link::kPadpAck;
      if (ack && m_acks++ >= *m_loseFrom) continue;
      const std::vector<uint8_t> encoded = frame->Encode();
      passed.insert(passed.end(), encoded.begin(), encoded.end());
    }
    return passed;
  }

 private:
  std::optional<size_t> m_loseFrom;
  platform::link::SlpReader m_reader;
  size_t m_acks = 0;
};

}  // namespace

SerialCable::SerialCable(CableFaults faults) : m_faults(faults) {
  m_desktop = OpenMaster(m_desktopPath);
  m_handheld = OpenMaster(m_handheldPath);
  if (!Ready() || pipe2(m_stop, O_CLOEXEC) != 0) return;
  m_carrier = std::thread([this] { Carry(); });
}

SerialCable::~SerialCable() {
  if (m_carrier.joinable()) {
    (void)write(m_stop[1], "x", 1);
    m_carrier.join();
  }
  for (int fd : {m_desktop, m_handheld, m_stop[0], m_stop[1]}) {
    if (fd >= 0) close(fd);
  }
}

void SerialCable::Pull() {
  // Both masters close, and each end reads a hang-up.
  close(m_desktop);
  close(m_handheld);
  m_desktop = m_handheld = -1;
}

void SerialCable::Carry() {
  AckFilter acks(m_faults.loseHandheldAcksFrom);
  size_t fromDesktop = 0;
  bool heard[2] = {false, false};
  std::optional<std::chrono::steady_clock::time_point> closedAt;
  std::array<uint8_t, 4096> buffer{};
  for (;;) {
    std::array<pollfd, 3> fds{
        {{m_desktop, POLLIN, 0}, {m_handheld, POLLIN, 0}, {m_stop[0], POLLIN, 0}}};
    if (poll(fds.data(), fds.size(), 100) < 0 && errno != EINTR) return;
    if (fds[2].revents) return;
    bool carried = false;
    for (int side = 0; side < 2; ++side) {
      // An end that closed shows as a hang-up, once it was heard from.
      const short ready = heard[side] ? POLLIN | POLLHUP : POLLIN;
      if (!(fds[side].revents & ready)) continue;
      const int from = side == 0 ? m_desktop : m_handheld;
      const int to = side == 0 ? m_handheld : m_desktop;
      const ssize_t got = read(from, buffer.data(), buffer.size());
      if (got < 0 && errno == EIO && heard[side]) {
        // The program at that end closed it: the other end hears the line
        // hang up rather than wait for bytes that will not come, once it
        // had time to read what was sent before (a hang-up drops unread
        // input).
        if (!closedAt) closedAt = std::chrono::steady_clock::now();
        continue;
      }
      if (got <= 0) continue;
      heard[side] = true;
      carried = true;
      std::vector<uint8_t> bytes(buffer.begin(), buffer.begin() + got);
      if (side == 0) {
        fromDesktop += bytes.size();
        if (m_faults.pullAfterDesktopBytes && fromDesktop > *m_faults.pullAfterDesktopBytes) {
          Pull();
          return;
        }
      } else {
        bytes = acks.Pass(bytes);
      }
      // Bytes sent at one speed and read at another arrive as garbage.
      if (SpeedOf(m_desktop) != SpeedOf(m_handheld)) {
        m_speedsDiffered = true;
        for (uint8_t& byte : bytes) byte ^= 0x5A;
      }
      WriteAll(to, bytes.data(), bytes.size());
    }
    if (closedAt && std::chrono::steady_clock::now() - *closedAt > kHangUpGrace) {
      Pull();
      return;
    }
    // A master whose end nobody has open reports a hang-up at every poll.
    if (!carried) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace vlmtest
