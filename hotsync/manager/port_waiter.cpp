#include "manager/port_waiter.h"

#include <cerrno>
#include <cstring>

#include "manager/link_sync.h"
#include "manager/usb_port.h"

namespace hotsync {
namespace {

bool AnyAbsent(const HandheldPorts& ports) {
  for (const auto& port : ports) {
    if (port->Fd() < 0) return true;
  }
  return false;
}

// The HotSync of the handheld that arrived on `port`; its exit status, or
// nothing when none was there after all.
std::optional<int> ServePort(HandheldPort& port, std::ostream& out, std::ostream& err) {
  std::unique_ptr<platform::link::DesktopLink> link = port.Accept();
  if (!link) return std::nullopt;
  const int status = RunLinkHotSync(*link, port.Over(), out, err);
  if (const std::string summary = link->Summary(); !summary.empty()) out << summary << "\n";
  link.reset();
  port.HotSyncEnded();
  out << std::flush;
  return status;
}

}  // namespace

platform::Result<HandheldPorts> OpenPorts(const ListenOptions& options, std::ostream* warnings) {
  const LinkSettings settings{options.timeout, options.maxSerialSpeed};
  HandheldPorts ports;
  // False when the whole is to fail.
  auto add = [&](platform::Result<std::unique_ptr<HandheldPort>>& port, const char* link) {
    if (port) {
      ports.push_back(std::move(*port));
    } else if (warnings != nullptr) {
      *warnings << "hotsync: warning: " << link << " is on, but " << port.Reason()
                << "; handhelds cannot HotSync over it\n";
    }
    return port || warnings != nullptr;
  };
  if (options.network) {
    auto port = MakeNetworkPort(options.address, options.port, settings);
    if (!add(port, "network HotSync")) return port.Error();
  }
  if (options.serialTcpPort) {
    auto port = MakeSerialTcpPort(options.address, *options.serialTcpPort, settings);
    if (!add(port, "serial over TCP")) return port.Error();
  }
  if (!options.serialDevice.empty()) {
    auto port = MakeSerialLinePort(options.serialDevice, settings);
    if (!add(port, "the serial line")) return port.Error();
  }
  if (options.usb) ports.push_back(MakeUsbPort(settings));
  return ports;
}

std::string DescribePorts(const HandheldPorts& ports) {
  std::string text;
  for (size_t i = 0; i < ports.size(); ++i) {
    if (i > 0) text += i + 1 == ports.size() ? " and " : ", ";
    text += ports[i]->Description();
  }
  return text;
}

platform::Result<void> ServeHandhelds(HandheldPorts& ports, std::span<pollfd> others,
                                      const std::function<bool(int)>& afterHotSync,
                                      std::ostream& out, std::ostream& err) {
  std::vector<pollfd> fds(others.begin(), others.end());
  for (;;) {
    fds.resize(others.size());
    for (const auto& port : ports) fds.push_back({port->Fd(), POLLIN, 0});
    const int wait = AnyAbsent(ports) ? static_cast<int>(kPortRevisitInterval.count()) : -1;
    const int ready = poll(fds.data(), fds.size(), wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return platform::Failure{std::string("waiting for handhelds failed: ") +
                               std::strerror(errno)};
    }
    bool otherReady = false;
    for (size_t i = 0; i < others.size(); ++i) {
      others[i].revents = fds[i].revents;
      otherReady = otherReady || fds[i].revents != 0;
    }
    if (otherReady) return {};
    for (size_t i = 0; i < ports.size(); ++i) {
      HandheldPort& port = *ports[i];
      const short events = fds[others.size() + i].revents;
      if (port.Fd() < 0) {
        port.Revisit();
      } else if (events & POLLIN) {
        std::optional<int> status = ServePort(port, out, err);
        if (status && !afterHotSync(*status)) return {};
      } else if (events & (POLLHUP | POLLERR | POLLNVAL)) {
        port.Lost();
      }
    }
  }
}

}  // namespace hotsync
