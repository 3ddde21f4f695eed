#include "fake_usb_device.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace usbtest {

using platform::Failure;
using platform::Result;
using platform::link::usb::kUsbDeviceGone;
using platform::link::usb::kUsbRequestRefused;

std::vector<BulkEndpoint> TypicalEndpoints() {
  return {{0x81, 64}, {0x01, 64}, {0x82, 64}, {0x02, 64}};
}

FakeUsbDevice::FakeUsbDevice(int socket, std::vector<BulkEndpoint> endpoints,
                             platform::link::usb::HotSyncEndpoints bulk)
    : m_socket(socket), m_endpoints(std::move(endpoints)), m_bulk(bulk) {}

FakeUsbDevice::~FakeUsbDevice() {
  if (m_socket >= 0) close(m_socket);
}

void FakeUsbDevice::Answer(uint8_t requestType, uint8_t request, std::vector<uint8_t> reply) {
  std::lock_guard lock(m_mutex);
  m_replies[{requestType, request}] = std::move(reply);
}

void FakeUsbDevice::Unplug() {
  std::lock_guard lock(m_mutex);
  m_unplugged = true;
  if (m_socket >= 0) shutdown(m_socket, SHUT_RDWR);
}

std::vector<uint8_t> FakeUsbDevice::Asked() const {
  std::lock_guard lock(m_mutex);
  return m_asked;
}

Result<std::vector<uint8_t>> FakeUsbDevice::ControlIn(const ControlRequest& request,
                                                      std::chrono::milliseconds) {
  std::lock_guard lock(m_mutex);
  if (m_unplugged) return Failure{"no device", kUsbDeviceGone};
  m_asked.push_back(request.request);
  const auto reply = m_replies.find({request.requestType, request.request});
  if (reply == m_replies.end()) return Failure{"stalled", kUsbRequestRefused};
  std::vector<uint8_t> bytes = reply->second;
  if (bytes.size() > request.length) bytes.resize(request.length);
  return bytes;
}

Result<size_t> FakeUsbDevice::BulkIn(uint8_t endpoint, std::span<uint8_t> into,
                                     std::chrono::milliseconds timeout) {
  if (endpoint != m_bulk.in) return Failure{"read from endpoint " + std::to_string(endpoint)};
  pollfd watched{m_socket, POLLIN, 0};
  if (poll(&watched, 1, static_cast<int>(timeout.count())) <= 0) return size_t{0};
  const ssize_t got = read(m_socket, into.data(), into.size());
  if (got <= 0) return Failure{"no device", kUsbDeviceGone};
  return static_cast<size_t>(got);
}

Result<void> FakeUsbDevice::BulkOut(uint8_t endpoint, std::span<const uint8_t> bytes,
                                    std::chrono::milliseconds) {
  if (endpoint != m_bulk.out) return Failure{"write to endpoint " + std::to_string(endpoint)};
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = send(m_socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return Failure{"no device", kUsbDeviceGone};
    done += static_cast<size_t>(sent);
  }
  return {};
}

}  // namespace usbtest
