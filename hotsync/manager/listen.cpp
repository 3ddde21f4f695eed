// `hotsync listen`: waits for handhelds on the network and runs one HotSync
// per connection, one at a time; a handheld that connects during a HotSync
// waits for it to end.
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "link/tcp_socket.h"
#include "manager/hotsync_commands.h"
#include "manager/network_sync.h"
#include "manager/signal_descriptor.h"

namespace hotsync {

int RunListen(const ListenOptions& options, std::ostream& out, std::ostream& err) {
  const SignalDescriptor signals;
  platform::Result<platform::link::TcpListener> listener =
      platform::link::TcpListener::Listen(options.address, options.port);
  if (!listener) {
    err << "hotsync: cannot wait for handhelds: " << listener.Reason() << "\n";
    return kExitUnusable;
  }
  out << "Waiting for handhelds on "
      << (options.address.empty() ? std::string("every address") : options.address)
      << ", TCP port " << listener->Port() << "." << std::endl;
  for (;;) {
    pollfd fds[2] = {{listener->Fd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      err << "hotsync: waiting for handhelds failed: " << std::strerror(errno) << "\n";
      return kExitUnusable;
    }
    if (fds[1].revents & POLLIN) {
      signals.Take();
      out << "Stopped waiting for handhelds.\n";
      return kExitOk;
    }
    platform::Result<platform::link::ByteStream> connection =
        listener->Accept(std::chrono::milliseconds(0));
    if (!connection) continue;  // gone before it was taken
    const int status =
        RunNetworkHotSync(std::move(*connection), {options.timeout}, out, err);
    out << std::flush;
    if (options.once) return status;
  }
}

}  // namespace hotsync
