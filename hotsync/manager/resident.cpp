// Resident mode: the HotSync Manager's main window, class "KittyHawk",
// registered with the window station. The manager waits for messages and
// quits when it receives 0xBEC5 (the uninstaller's request to shut down);
// SIGINT and SIGTERM end it just as cleanly. It also waits for handhelds on
// the links turned on in hotsync.ini and runs their HotSyncs.
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "common/hotsync_home.h"
#include "common/hotsync_settings.h"
#include "manager/hotsync_commands.h"
#include "manager/port_waiter.h"
#include "manager/signal_descriptor.h"
#include "winsta/window_station.h"

namespace hotsync {
namespace {

constexpr char kWindowClass[] = "KittyHawk";
constexpr char kWindowTitle[] = "HotSync Manager";
constexpr uint32_t kShutDownMessage = 0xBEC5;

// The ports of the links turned on in hotsync.ini; a link that cannot be
// used is left out after a warning.
HandheldPorts ResidentPorts(std::ostream& out, std::ostream& err) {
  const std::string home = HotSyncHome();
  const NetworkSettings network = ReadNetworkSettings(home);
  const CradleSettings cradle = ReadCradleSettings(home);
  ListenOptions options;
  options.network = network.enabled;
  options.port = network.port;
  options.serialDevice = cradle.serialDevice;
  if (cradle.serialTcpPort != 0) options.serialTcpPort = cradle.serialTcpPort;
  options.usb = cradle.usb;
  options.maxSerialSpeed = cradle.maxSpeed;
  // With warnings, a link that cannot be used never fails the others.
  platform::Result<HandheldPorts> opened = OpenPorts(options, &err);
  HandheldPorts ports = std::move(*opened);
  if (!ports.empty()) out << "Waiting for handhelds on " << DescribePorts(ports) << ".\n";
  return ports;
}

}  // namespace

int RunResident(std::ostream& out, std::ostream& err) {
  SignalDescriptor signals;
  std::unique_ptr<platform::winsta::Window> window =
      platform::winsta::Window::Register(kWindowClass, kWindowTitle);
  if (!window) {
    err << "hotsync: cannot register the window \"" << kWindowTitle
        << "\" with the window station\n";
    return kExitUnusable;
  }
  out << "HotSync Manager is running (window class " << kWindowClass << ").\n";
  HandheldPorts ports = ResidentPorts(out, err);
  out << std::flush;
  for (;;) {
    pollfd fds[2] = {{window->Fd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
    const platform::Result<void> waited = ServeHandhelds(
        ports, fds, [](int) { return true; }, out, err);
    if (!waited) {
      err << "hotsync: " << waited.Reason() << "\n";
      return kExitUnusable;
    }
    if (fds[1].revents & POLLIN) {
      signals.Take();
      out << "HotSync Manager stopped by a signal.\n";
      return kExitOk;
    }
    if (!(fds[0].revents & POLLIN)) continue;
    while (std::optional<platform::winsta::Message> message = window->Receive()) {
      if (message->message == kShutDownMessage) {
        out << "HotSync Manager shut down (message 0xBEC5).\n";
        return kExitOk;
      }
    }
  }
}

}  // namespace hotsync
