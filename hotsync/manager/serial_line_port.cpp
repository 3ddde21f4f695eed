// A serial line as a handheld port: a cradle's port, a USB-serial adapter,
// a pseudo-terminal, or the tty the kernel makes for a USB handheld. The
// line is readable when a handheld sends its wakeup; a device that is
// absent or went away is looked for again every second.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <thread>

#include "link/serial_line.h"
#include "manager/handheld_ports.h"

namespace hotsync {
namespace {

using platform::Result;
using platform::link::ByteStream;
using platform::link::DesktopLink;

constexpr std::chrono::milliseconds kLastAckTime{100};

class SerialLinePort : public HandheldPort {
 public:
  SerialLinePort(std::string device, int fd, const LinkSettings& settings)
      : m_device(std::move(device)), m_fd(fd), m_settings(settings) {}
  ~SerialLinePort() override { CloseLine(); }

  std::string Description() const override {
    return "the serial line " + m_device + (m_fd < 0 ? " (not there yet)" : "");
  }
  std::string_view Over() const override { return "a serial line"; }
  int Fd() const override { return m_fd; }

  void Revisit() override {
    Result<int> line = platform::link::OpenSerialLine(m_device);
    if (line) m_fd = *line;
  }
  void Lost() override { CloseLine(); }

  std::unique_ptr<DesktopLink> Accept() override {
    // The link owns a descriptor of its own; the port keeps the line open
    // between HotSyncs, so that a wakeup is never missed.
    const int linkFd = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (linkFd < 0) {
      // Closed and opened again at the next look, rather than found ready
      // again at once.
      GiveUpLine(std::string("cannot take the handheld's HotSync: ") + std::strerror(errno));
      return nullptr;
    }
    platform::link::SerialLinkSettings serial = SerialSettings(m_settings);
    const int lineFd = m_fd;
    serial.onSpeedChosen = [lineFd](uint32_t speed) {
      return platform::link::SetSerialSpeed(lineFd, speed);
    };
    return std::make_unique<platform::link::SerialDesktopLink>(ByteStream(linkFd), serial);
  }

  void HotSyncEnded() override {
    if (m_fd < 0) return;
    // The next handheld wakes at 9600 bit/s, once the last ack to this one
    // has left (a USB adapter may say it has when it still holds it); what
    // this one left unread is not the next one's wakeup.
    std::this_thread::sleep_for(kLastAckTime);
    if (Result<void> reset =
            platform::link::SetSerialSpeed(m_fd, platform::link::kSerialStartSpeed);
        !reset) {
      GiveUpLine(reset.Reason());
      return;
    }
    platform::link::DiscardSerialInput(m_fd);
  }

 private:
  // Tells why the line is closed; it is opened again at the next look.
  void GiveUpLine(const std::string& reason) {
    std::cerr << "hotsync: " << Description() << ": " << reason << "; opening it again\n";
    CloseLine();
  }

  void CloseLine() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
  }

  std::string m_device;
  int m_fd;
  LinkSettings m_settings;
};

}  // namespace

Result<std::unique_ptr<HandheldPort>> MakeSerialLinePort(const std::string& device,
                                                         const LinkSettings& settings) {
  if (!platform::link::IsSerialSpeed(settings.maxSpeed)) {
    return platform::Failure{std::to_string(settings.maxSpeed) + " bit/s is not a serial speed"};
  }
  Result<int> line = platform::link::OpenSerialLine(device);
  if (!line && line.Error().code != platform::link::kSerialLineAbsent) return line.Error();
  return std::unique_ptr<HandheldPort>(
      std::make_unique<SerialLinePort>(device, line ? *line : -1, settings));
}

}  // namespace hotsync
