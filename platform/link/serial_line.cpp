#include "link/serial_line.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::link {
namespace {

constexpr std::array<std::pair<uint32_t, speed_t>, 9> kSpeeds{{{9600, B9600},
                                                               {19'200, B19200},
                                                               {38'400, B38400},
                                                               {57'600, B57600},
                                                               {115'200, B115200},
                                                               {230'400, B230400},
                                                               {460'800, B460800},
                                                               {921'600, B921600},
                                                               {1'000'000, B1000000}}};

Failure LineFailure(const std::string& what, int error) {
  return Failure{what + ": " + std::strerror(error)};
}

}  // namespace

bool IsSerialSpeed(uint32_t bitsPerSecond) {
  for (const auto& [speed, code] : kSpeeds) {
    if (speed == bitsPerSecond) return true;
  }
  return false;
}

Result<void> SetSerialSpeed(int fd, uint32_t bitsPerSecond) {
  speed_t code = 0;
  for (const auto& [speed, constant] : kSpeeds) {
    if (speed == bitsPerSecond) code = constant;
  }
  if (code == 0) return Failure{std::to_string(bitsPerSecond) + " bit/s is not a serial speed"};
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return LineFailure("cannot read the line's settings", errno);
  cfsetispeed(&settings, code);
  cfsetospeed(&settings, code);
  // TCSADRAIN: the ack that agreed on the speed leaves at the old one.
  if (tcsetattr(fd, TCSADRAIN, &settings) != 0) {
    return LineFailure("cannot set the line to " + std::to_string(bitsPerSecond) + " bit/s", errno);
  }
  return {};
}

void DiscardSerialInput(int fd) {
  (void)tcflush(fd, TCIFLUSH);
}

Result<int> OpenSerialLine(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    Failure failure = LineFailure("cannot open " + device, error);
    if (error == ENOENT || error == ENODEV || error == ENXIO) failure.code = kSerialLineAbsent;
    return failure;
  }
  termios settings{};
  if (!isatty(fd) || tcgetattr(fd, &settings) != 0) {
    close(fd);
    return Failure{device + " is not a serial line"};
  }
  // No other program may open the line while a HotSync may run on it.
  if (ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    close(fd);
    return LineFailure("cannot have " + device + " alone", error);
  }
  cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    const int error = errno;
    close(fd);
    return LineFailure("cannot set up " + device, error);
  }
  DiscardSerialInput(fd);
  return fd;
}

}  // namespace platform::link
