// The USB port: a visor tty or a handheld reached through libusb, and the
// link of the HotSync that starts on it.
#include "manager/usb_port.h"

#include <poll.h>
#include <unistd.h>

#include <iostream>
#include <optional>

#include "link/netsync_link.h"
#include "link/serial_line.h"
#include "link/usb/framing.h"
#include "link/usb/handheld_setup.h"
#include "link/usb/libusb_device.h"
#include "link/usb/usb_bridge.h"
#include "link/usb/visor_tty.h"

namespace hotsync {
namespace {

using platform::Failure;
using platform::Result;
using platform::link::ByteStream;
using platform::link::Clock;
using platform::link::DesktopLink;
namespace usb = platform::link::usb;

// A link that failed before it began: its handshake says why, so that the
// HotSync that did not start is reported as any other.
class FailedLink final : public DesktopLink {
 public:
  explicit FailedLink(Failure failure) : m_failure(std::move(failure)) {}
  Result<void> Handshake() override { return m_failure; }
  Result<std::vector<uint8_t>> Call(std::span<const uint8_t>) override { return m_failure; }
  void Close() override {}
  bool Broken() const override { return true; }

 private:
  Failure m_failure;
};

// A link over the bridge, which it owns: the bridge's threads end with the
// link. A failure because the handheld went away is told as that.
class BridgedLink final : public DesktopLink {
 public:
  BridgedLink(std::unique_ptr<usb::UsbBridge> bridge, std::unique_ptr<DesktopLink> link)
      : m_bridge(std::move(bridge)), m_link(std::move(link)) {}
  Result<void> Handshake() override { return Explained(m_link->Handshake()); }
  Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) override {
    return Explained(m_link->Call(request));
  }
  void Close() override {
    m_link->Close();
    m_bridge->Stop();
  }
  bool Broken() const override { return m_link->Broken(); }

 private:
  template <typename T>
  Result<T> Explained(Result<T> result) const {
    if (result || !m_bridge->HandheldFailed()) return result;
    return Failure{m_bridge->EndReason()};
  }

  std::unique_ptr<usb::UsbBridge> m_bridge;  // outlives m_link's last write
  std::unique_ptr<DesktopLink> m_link;
};

std::unique_ptr<DesktopLink> MakeLink(usb::Framing framing, ByteStream stream,
                                      const LinkSettings& settings) {
  if (framing == usb::Framing::kNetSync) {
    return std::make_unique<platform::link::NetSyncDesktopLink>(std::move(stream),
                                                                settings.timeout);
  }
  // A USB handheld's serial stack agrees on a speed that no line carries:
  // nothing is switched.
  return std::make_unique<platform::link::SerialDesktopLink>(std::move(stream),
                                                             SerialSettings(settings));
}

bool HungUp(int fd) {
  pollfd watched{fd, POLLIN, 0};
  return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLHUP | POLLERR)) != 0;
}

class UsbPort final : public HandheldPort {
 public:
  UsbPort(const LinkSettings& settings, UsbPortPlaces places)
      : m_settings(settings), m_places(std::move(places)) {}
  ~UsbPort() override { CloseTty(); }

  std::string Description() const override { return "USB"; }
  std::string_view Over() const override { return "USB"; }
  int Fd() const override {
    if (m_tty >= 0) return m_tty;
    return m_bridge ? m_bridgeEnd.Fd() : -1;
  }

  void Revisit() override {
    if (LookForTty()) return;
    if (m_places.libusb) LookOnTheBus();
  }

  void Lost() override {
    CloseTty();
    ForgetBridge();
  }

  std::unique_ptr<DesktopLink> Accept() override {
    if (m_tty >= 0) return AcceptTty();
    if (m_bridge) return AcceptBridge();
    return nullptr;
  }

 private:
  void Notify(const std::string& text) {
    if (text == m_lastNotice) return;
    m_lastNotice = text;
    if (m_places.notify) {
      m_places.notify(text);
    } else {
      std::cerr << "hotsync: USB: " << text << std::endl;
    }
  }

  bool LookForTty() {
    const std::optional<std::string> tty = usb::HotSyncTty(usb::FindVisorTtys(m_places.sysRoot));
    if (!tty) return false;
    Result<int> line = platform::link::OpenSerialLine(m_places.devRoot + "/" + *tty);
    if (line) {
      m_tty = *line;
    } else if (line.Code() != platform::link::kSerialLineAbsent) {
      Notify(line.Reason());
    }
    return true;
  }

  void CloseTty() {
    if (m_tty >= 0) ::close(m_tty);
    m_tty = -1;
  }

  std::unique_ptr<DesktopLink> AcceptTty() {
    // A tty whose handheld left hangs up: nothing to HotSync with.
    if (HungUp(m_tty)) {
      CloseTty();
      return nullptr;
    }
    ByteStream stream(std::exchange(m_tty, -1));
    Result<usb::Framing> framing = usb::DetectFraming(stream, Clock::now() + m_settings.timeout);
    if (!framing) return std::make_unique<FailedLink>(framing.Error());
    return MakeLink(*framing, std::move(stream), m_settings);
  }

  void LookOnTheBus() {
    if (!m_context) {
      Result<std::shared_ptr<usb::UsbContext>> context = usb::UsbContext::Open();
      if (!context) {
        Notify(context.Reason());
        return;
      }
      m_context = std::move(*context);
    }
    Result<std::vector<usb::AttachedHandheld>> handhelds = usb::ListHandhelds(*m_context);
    if (!handhelds) return Notify(handhelds.Reason());
    if (m_served && !OnTheBus(*handhelds, *m_served)) m_served.reset();
    for (const usb::AttachedHandheld& handheld : *handhelds) {
      if (m_served && handheld.SameDevice(*m_served)) continue;
      if (Open(handheld)) return;
    }
  }

  static bool OnTheBus(const std::vector<usb::AttachedHandheld>& handhelds,
                       const usb::AttachedHandheld& handheld) {
    for (const usb::AttachedHandheld& other : handhelds) {
      if (other.SameDevice(handheld)) return true;
    }
    return false;
  }

  // Opens and sets up `handheld` and starts its bridge; false when it
  // cannot be used now.
  bool Open(const usb::AttachedHandheld& handheld) {
    Result<std::unique_ptr<usb::UsbDevice>> device = usb::OpenHandheld(m_context, handheld);
    if (!device) {
      if (device.Code() == usb::kUsbDeviceGone) return false;
      // The visor driver takes a handheld a moment before its tty appears:
      // only a handheld still held at the next look is told of.
      const bool held = device.Code() == usb::kUsbHeldByDriver;
      if (!held || (m_held && m_held->SameDevice(handheld))) {
        Notify(handheld.model->name + std::string(": ") + device.Reason());
        m_served = handheld;
      }
      m_held = held ? std::optional(handheld) : std::nullopt;
      return false;
    }
    m_held.reset();
    m_served = handheld;
    Result<usb::HotSyncEndpoints> endpoints =
        usb::SetUpHandheld(**device, *handheld.model, m_settings.timeout);
    if (!endpoints) {
      Notify(handheld.model->name + std::string(" cannot HotSync: ") + endpoints.Reason());
      return false;
    }
    usb::BridgeSettings bridge{*endpoints, m_settings.timeout, {}};
    if (handheld.model->framing == usb::Framing::kNetSync)
      bridge.wakeBytes = usb::NetSyncWakeBytes();
    Result<std::unique_ptr<usb::UsbBridge>> started =
        usb::UsbBridge::Start(std::move(*device), std::move(bridge));
    if (!started) {
      Notify(started.Reason());
      return false;
    }
    m_bridge = std::move(*started);
    m_bridgeEnd = m_bridge->TakeLinkEnd();
    m_framing = handheld.model->framing;
    return true;
  }

  void ForgetBridge() {
    m_bridgeEnd.Close();
    m_bridge.reset();
  }

  std::unique_ptr<DesktopLink> AcceptBridge() {
    // A handheld that left without a word started no HotSync.
    if (!m_bridge->Heard() && m_bridge->Ended()) {
      ForgetBridge();
      return nullptr;
    }
    std::unique_ptr<DesktopLink> link = MakeLink(m_framing, std::move(m_bridgeEnd), m_settings);
    return std::make_unique<BridgedLink>(std::move(m_bridge), std::move(link));
  }

  LinkSettings m_settings;
  UsbPortPlaces m_places;
  std::string m_lastNotice;
  int m_tty = -1;
  std::shared_ptr<usb::UsbContext> m_context;
  std::unique_ptr<usb::UsbBridge> m_bridge;
  ByteStream m_bridgeEnd{-1};
  usb::Framing m_framing = usb::Framing::kNetSync;
  // The handheld whose HotSync ran (or that could not be used): not opened
  // again while it stays on the bus.
  std::optional<usb::AttachedHandheld> m_served;
  // A handheld the visor driver held at the last look.
  std::optional<usb::AttachedHandheld> m_held;
};

}  // namespace

std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings& settings) {
  return MakeUsbPort(settings, UsbPortPlaces{});
}

std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings& settings, UsbPortPlaces places) {
  return std::make_unique<UsbPort>(settings, std::move(places));
}

}  // namespace hotsync
