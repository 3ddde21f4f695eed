// The two pumps between a USB handheld and a socket pair.
#include "link/usb/usb_bridge.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/netsync_packet.h"

namespace platform::link::usb {
namespace {

// How long a pump waits before it looks whether it should stop.
constexpr std::chrono::milliseconds kPumpSlice{100};
// Bytes taken in one transfer: a whole number of the handhelds' packets.
constexpr size_t kTransferSize = 4096;

Result<void> WaitReady(int fd, short events) {
  pollfd watched{fd, events, 0};
  if (::poll(&watched, 1, static_cast<int>(kPumpSlice.count())) < 0 && errno != EINTR) {
    return Failure{std::string("the link failed: ") + std::strerror(errno)};
  }
  return {};
}

std::string DeviceFailure(const Failure& failure, const char* doing) {
  if (failure.code == kUsbDeviceGone) return "the handheld was disconnected";
  return std::string(doing) + " the handheld failed: " + failure.reason;
}

}  // namespace

std::vector<uint8_t> NetSyncWakeBytes() {
  const NetSyncHead head{kNetSyncData, 0, 0};
  const auto bytes = head.Encode();
  return {bytes.begin(), bytes.end()};
}

Result<std::unique_ptr<UsbBridge>> UsbBridge::Start(std::unique_ptr<UsbDevice> device,
                                                    BridgeSettings settings) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    return Failure{std::string("cannot connect the link to the handheld: ") + std::strerror(errno)};
  }
  // The bridge's end never blocks: each pump waits in slices so that it
  // notices a stop.
  (void)::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  return std::unique_ptr<UsbBridge>(
      new UsbBridge(std::move(device), std::move(settings), ends[0], ends[1]));
}

UsbBridge::UsbBridge(std::unique_ptr<UsbDevice> device, BridgeSettings settings, int end,
                     int linkEnd)
    : m_device(std::move(device)), m_settings(std::move(settings)), m_end(end), m_linkEnd(linkEnd) {
  m_fromHandheld = std::thread([this] { PumpFromHandheld(); });
  m_toHandheld = std::thread([this] { PumpToHandheld(); });
}

UsbBridge::~UsbBridge() {
  Stop();
  ::close(m_end);
}

void UsbBridge::Stop() {
  End("the HotSync ended");
  if (m_fromHandheld.joinable()) m_fromHandheld.join();
  if (m_toHandheld.joinable()) m_toHandheld.join();
}

std::string UsbBridge::EndReason() const {
  std::lock_guard lock(m_mutex);
  return m_reason;
}

void UsbBridge::End(const std::string& reason, bool handheldFailed) {
  {
    std::lock_guard lock(m_mutex);
    if (m_reason.empty()) {
      m_reason = reason;
      m_handheldFailed = handheldFailed;
    }
  }
  m_stop = true;
  // Wakes the pump waiting on the socket, and tells the link at once.
  ::shutdown(m_end, SHUT_RDWR);
}

void UsbBridge::PumpFromHandheld() {
  std::vector<uint8_t> buffer(kTransferSize);
  const Clock::time_point wakeAt = Clock::now() + m_settings.wakeAfter;
  bool woken = m_settings.wakeBytes.empty();
  while (!m_stop) {
    Result<size_t> got = m_device->BulkIn(m_settings.endpoints.in, buffer, kPumpSlice);
    if (!got) return End(DeviceFailure(got.Error(), "reading from"), true);
    if (*got == 0) {
      if (!woken && !m_heard && Clock::now() >= wakeAt) {
        woken = true;
        if (Result<void> sent = SendToHandheld(m_settings.wakeBytes); !sent) {
          return End(DeviceFailure(sent.Error(), "writing to"), true);
        }
      }
      continue;
    }
    m_heard = true;
    if (!SendToLink(std::span(buffer).first(*got))) return End("the link was closed");
  }
}

bool UsbBridge::SendToLink(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (m_stop) return false;
    const ssize_t sent =
        ::send(m_end, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) {
      done += static_cast<size_t>(sent);
    } else if (errno == EAGAIN || errno == EINTR) {
      if (!WaitReady(m_end, POLLOUT)) return false;
    } else {
      return false;
    }
  }
  return true;
}

Result<void> UsbBridge::SendToHandheld(std::span<const uint8_t> bytes) {
  std::lock_guard lock(m_outMutex);
  return m_device->BulkOut(m_settings.endpoints.out, bytes, m_settings.timeout);
}

void UsbBridge::PumpToHandheld() {
  std::vector<uint8_t> buffer(kTransferSize);
  while (!m_stop) {
    if (Result<void> ready = WaitReady(m_end, POLLIN); !ready) return End(ready.Reason());
    const ssize_t got = ::recv(m_end, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (got == 0) return End("the link was closed");
    if (got < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return End(std::string("the link failed: ") + std::strerror(errno));
    }
    if (Result<void> sent = SendToHandheld(std::span(buffer).first(static_cast<size_t>(got)));
        !sent) {
      return End(DeviceFailure(sent.Error(), "writing to"), true);
    }
  }
}

}  // namespace platform::link::usb
