// Resident mode: the HotSync Manager's main window, class "KittyHawk",
// registered with the window station. The manager waits for messages and
// quits when it receives 0xBEC5 (the uninstaller's request to shut down);
// SIGINT and SIGTERM end it just as cleanly.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "manager/hotsync_commands.h"
#include "winsta/window_station.h"

namespace hotsync {
namespace {

constexpr char kWindowClass[] = "KittyHawk";
constexpr char kWindowTitle[] = "HotSync Manager";
constexpr uint32_t kShutDownMessage = 0xBEC5;

// SIGINT and SIGTERM delivered through a descriptor for as long as it lives.
class SignalDescriptor {
 public:
  SignalDescriptor() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &m_signals, &m_previous);
    m_fd = signalfd(-1, &m_signals, SFD_CLOEXEC);
  }
  ~SignalDescriptor() {
    if (m_fd >= 0) close(m_fd);
    sigprocmask(SIG_SETMASK, &m_previous, nullptr);
  }
  SignalDescriptor(const SignalDescriptor&) = delete;
  SignalDescriptor& operator=(const SignalDescriptor&) = delete;
  int Fd() const { return m_fd; }

 private:
  sigset_t m_signals{};
  sigset_t m_previous{};
  int m_fd = -1;
};

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
  out << "HotSync Manager is running (window class " << kWindowClass << ").\n" << std::flush;
  for (;;) {
    pollfd fds[2] = {{window->Fd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
    if (poll(fds, signals.Fd() >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      err << "hotsync: waiting for messages failed: " << std::strerror(errno) << "\n";
      return kExitUnusable;
    }
    if (fds[1].revents & POLLIN) {
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
