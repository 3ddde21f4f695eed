// The ports a handheld reaches over TCP: network HotSync, and serial bytes
// carried by a socket as emulators offer their serial port.
#include "link/netsync_link.h"
#include "link/tcp_socket.h"
#include "manager/handheld_ports.h"

namespace hotsync {
namespace {

using platform::Result;
using platform::link::ByteStream;
using platform::link::DesktopLink;
using platform::link::TcpListener;

// A listening TCP port; each connection becomes a NetSync or a serial link.
class TcpPort : public HandheldPort {
 public:
  TcpPort(TcpListener listener, std::string address, const LinkSettings& settings,
          bool serialFraming)
      : m_listener(std::move(listener)),
        m_address(std::move(address)),
        m_settings(settings),
        m_serialFraming(serialFraming) {}

  std::string Description() const override {
    return (m_serialFraming ? "serial over TCP port " : "TCP port ") +
           std::to_string(m_listener.Port()) + (m_address.empty() ? "" : " of " + m_address);
  }
  std::string_view Over() const override {
    return m_serialFraming ? "a serial link" : "the network";
  }
  int Fd() const override { return m_listener.Fd(); }

  std::unique_ptr<DesktopLink> Accept() override {
    Result<ByteStream> connection = m_listener.Accept(std::chrono::milliseconds(0));
    if (!connection) return nullptr;  // gone before it was taken
    if (m_serialFraming) {
      return std::make_unique<platform::link::SerialDesktopLink>(std::move(*connection),
                                                                 SerialSettings(m_settings));
    }
    return std::make_unique<platform::link::NetSyncDesktopLink>(std::move(*connection),
                                                                m_settings.timeout);
  }

 private:
  TcpListener m_listener;
  std::string m_address;
  LinkSettings m_settings;
  bool m_serialFraming;
};

Result<std::unique_ptr<HandheldPort>> MakeTcpPort(const std::string& address, uint16_t port,
                                                  const LinkSettings& settings,
                                                  bool serialFraming) {
  Result<TcpListener> listener = TcpListener::Listen(address, port);
  if (!listener) return listener.Error();
  return std::unique_ptr<HandheldPort>(
      std::make_unique<TcpPort>(std::move(*listener), address, settings, serialFraming));
}

}  // namespace

platform::link::SerialLinkSettings SerialSettings(const LinkSettings& settings) {
  platform::link::SerialLinkSettings serial;
  serial.timing.messageWait = settings.timeout;
  serial.maxSpeed = settings.maxSpeed;
  return serial;
}

Result<std::unique_ptr<HandheldPort>> MakeNetworkPort(const std::string& address, uint16_t port,
                                                      const LinkSettings& settings) {
  return MakeTcpPort(address, port, settings, false);
}

Result<std::unique_ptr<HandheldPort>> MakeSerialTcpPort(const std::string& address, uint16_t port,
                                                        const LinkSettings& settings) {
  return MakeTcpPort(address, port, settings, true);
}

}  // namespace hotsync
