// Resident mode: the HotSync Manager's main window, class "KittyHawk",
// registered with the window station. The manager waits for messages and
// quits when it receives 0xBEC5 (the uninstaller's request to shut down);
// SIGINT and SIGTERM end it just as cleanly. When network HotSync is on
// (hotsync.ini), it also waits for handhelds and runs their HotSyncs.
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "common/hotsync_home.h"
#include "common/hotsync_settings.h"
#include "link/tcp_socket.h"
#include "manager/hotsync_commands.h"
#include "manager/network_sync.h"
#include "manager/signal_descriptor.h"
#include "winsta/window_station.h"

namespace hotsync {
namespace {

constexpr char kWindowClass[] = "KittyHawk";
constexpr char kWindowTitle[] = "HotSync Manager";
constexpr uint32_t kShutDownMessage = 0xBEC5;

// The listener for network HotSync when it is on; nothing (after a warning
// when it cannot listen) otherwise.
std::optional<platform::link::TcpListener> NetworkListener(std::ostream& out, std::ostream& err) {
  const NetworkSettings settings = ReadNetworkSettings(HotSyncHome());
  if (!settings.enabled) return std::nullopt;
  platform::Result<platform::link::TcpListener> listener =
      platform::link::TcpListener::Listen("", settings.port);
  if (!listener) {
    err << "hotsync: warning: network HotSync is on, but " << listener.Reason()
        << "; handhelds cannot HotSync over the network\n";
    return std::nullopt;
  }
  out << "Waiting for handhelds on TCP port " << listener->Port() << ".\n";
  return std::move(*listener);
}

// Runs the HotSync of a handheld that is connecting.
void ServeHandheld(platform::link::TcpListener& listener, std::ostream& out, std::ostream& err) {
  platform::Result<platform::link::ByteStream> connection =
      listener.Accept(std::chrono::milliseconds(0));
  if (connection) RunNetworkHotSync(std::move(*connection), {}, out, err);
  out << std::flush;
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
  std::optional<platform::link::TcpListener> listener = NetworkListener(out, err);
  out << std::flush;
  for (;;) {
    pollfd fds[3] = {{window->Fd(), POLLIN, 0},
                     {signals.Fd(), POLLIN, 0},
                     {listener ? listener->Fd() : -1, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      err << "hotsync: waiting for messages failed: " << std::strerror(errno) << "\n";
      return kExitUnusable;
    }
    if (fds[1].revents & POLLIN) {
      signals.Take();
      out << "HotSync Manager stopped by a signal.\n";
      return kExitOk;
    }
    if (fds[2].revents & POLLIN) ServeHandheld(*listener, out, err);
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
