// `hotsync listen`: waits for handhelds on the network, serial lines,
// serial over TCP and USB, and runs one HotSync per handheld, one at a
// time; a handheld that starts during a HotSync waits for it to end.
#include "manager/hotsync_commands.h"
#include "manager/port_waiter.h"
#include "manager/signal_descriptor.h"

namespace hotsync {

int RunListen(const ListenOptions& options, std::ostream& out, std::ostream& err) {
  const SignalDescriptor signals;
  platform::Result<HandheldPorts> ports = OpenPorts(options, nullptr);
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
