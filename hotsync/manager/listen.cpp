// `hotsync listen`: waits for handhelds on the network, serial lines,
// serial over TCP and USB, and runs one HotSync per handheld, one at a
// time; a handheld that starts during a HotSync waits for it to end.
#include "manager/hotsync_commands.h"
#include "manager/port_waiter.h"
#include "manager/signal_descriptor.h"
#include "manager/usb_port.h"

namespace hotsync {
namespace {

// Every port the options name; a failure names the first that cannot be used.
platform::Result<HandheldPorts> OpenPorts(const ListenOptions& options) {
  const LinkSettings settings{options.timeout, options.maxSerialSpeed};
  HandheldPorts ports;
  auto add = [&ports](platform::Result<std::unique_ptr<HandheldPort>>& port) {
    if (!port) return false;
    ports.push_back(std::move(*port));
    return true;
  };
  if (options.network) {
    auto port = MakeNetworkPort(options.address, options.port, settings);
    if (!add(port)) return port.Error();
  }
  if (options.serialTcpPort) {
    auto port = MakeSerialTcpPort(options.address, *options.serialTcpPort, settings);
    if (!add(port)) return port.Error();
  }
  if (!options.serialDevice.empty()) {
    auto port = MakeSerialLinePort(options.serialDevice, settings);
    if (!add(port)) return port.Error();
  }
  if (options.usb) ports.push_back(MakeUsbPort(settings));
  return ports;
}

}  // namespace

int RunListen(const ListenOptions& options, std::ostream& out, std::ostream& err) {
  const SignalDescriptor signals;
  platform::Result<HandheldPorts> ports = OpenPorts(options);
  if (!ports) {
    err << "hotsync: cannot wait for handhelds: " << ports.Reason() << "\n";
    return kExitUnusable;
  }
  out << "Waiting for handhelds on " << DescribePorts(*ports) << "." << std::endl;
  int lastStatus = kExitOk;
  pollfd stop{signals.Fd(), POLLIN, 0};
  const platform::Result<void> waited = ServeHandhelds(
      *ports, std::span<pollfd>(&stop, 1),
      [&](int status) {
        lastStatus = status;
        return !options.once;
      },
      out, err);
  if (!waited) {
    err << "hotsync: " << waited.Reason() << "\n";
    return kExitUnusable;
  }
  if (options.once && !(stop.revents & POLLIN)) return lastStatus;
  signals.Take();
  out << "Stopped waiting for handhelds.\n";
  return kExitOk;
}

}  // namespace hotsync
