// The CMP opening and the DLP calls of a serial HotSync.
#include "link/serial_link.h"

#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include "link/cmp.h"

namespace platform::link {
namespace {

// How long a line may take to send out an ack that was written (a USB
// adapter's buffer included), and how long the desktop gives the handheld
// to switch speed after it.
constexpr std::chrono::milliseconds kAckLeaveTime{20};
constexpr std::chrono::milliseconds kSpeedSettleTime{100};

// The CMP minor version a handheld of this generation announces.
constexpr uint8_t kCmpHandheldMinorVersion = 3;

Result<CmpMessage> ReceiveCmp(PadpChannel& channel, uint8_t expectedType, const char* which) {
  Result<PadpMessage> message = channel.Receive();
  if (!message) return message.Error();
  Result<CmpMessage> cmp = CmpMessage::Decode(message->bytes);
  if (!cmp) return cmp.Error();
  if (cmp->type == kCmpAbort) return Failure{"the other end refused the serial HotSync"};
  if (cmp->type != expectedType) {
    return Failure{std::string("the other end sent CMP type ") + std::to_string(cmp->type) +
                   " instead of the " + which};
  }
  return cmp;
}

}  // namespace

uint8_t NextSerialTransaction(uint8_t transaction) {
  return transaction >= kCmpTransaction - 1 ? 1 : static_cast<uint8_t>(transaction + 1);
}

SerialDesktopLink::SerialDesktopLink(ByteStream stream, SerialLinkSettings settings)
    : m_channel(std::move(stream), settings.timing), m_settings(std::move(settings)) {}

Result<void> SerialDesktopLink::Handshake() {
  Result<CmpMessage> wakeup = ReceiveCmp(m_channel, kCmpWakeup, "wakeup");
  if (!wakeup) return wakeup.Error();
  const CmpMessage answer = CmpAnswer(*wakeup, m_settings.maxSpeed, true);
  if (Result<void> sent = m_channel.Send(kCmpTransaction, answer.Encode(), false); !sent) {
    return sent;
  }
  if (answer.type == kCmpAbort) {
    return Failure{"the handheld speaks CMP version " + std::to_string(wakeup->major) +
                   ", which this desktop does not"};
  }
  m_speed = answer.speed;
  if (!m_settings.onSpeedChosen) return {};
  Result<void> switched = m_settings.onSpeedChosen(answer.speed);
  // The handheld switches once its ack has left; the first request waits
  // for it rather than arrive at the old speed and be sent again.
  if (switched && answer.speed != kCmpStartSpeed) std::this_thread::sleep_for(kSpeedSettleTime);
  return switched;
}

std::string SerialDesktopLink::Summary() const {
  if (m_speed == 0) return {};
  const PadpStatistics& sent = m_channel.Statistics();
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f",
                std::chrono::duration<double>(sent.ackWait).count());
  return "Serial link at " + std::to_string(m_speed) +
         " bit/s: " + std::to_string(sent.fragmentsSent) + " fragments sent (" +
         std::to_string(sent.fragmentsResent) + " again), " + seconds + " s waiting for acks.";
}

Result<std::vector<uint8_t>> SerialDesktopLink::Call(std::span<const uint8_t> request) {
  if (m_broken) return Failure{"the connection to the handheld was lost"};
  const bool first = m_calls++ == 0;
  Result<std::vector<uint8_t>> reply = Exchange(request);
  if (!reply) {
    m_broken = true;
    m_channel.Close();
    if (first && m_speed != kCmpStartSpeed && m_channel.Statistics().fragmentsResent > 0) {
      // Nothing got through after the switch: the usual cause is a line
      // (or an adapter) that cannot carry the speed agreed on.
      return Failure{reply.Reason() + " (the line may not carry " + std::to_string(m_speed) +
                     " bit/s: try a lower highest speed)"};
    }
  }
  return reply;
}

Result<std::vector<uint8_t>> SerialDesktopLink::Exchange(std::span<const uint8_t> request) {
  const uint8_t transaction = m_transaction;
  m_transaction = NextSerialTransaction(m_transaction);
  if (Result<void> sent = m_channel.Send(transaction, request, false); !sent) {
    return sent.Error();
  }
  Result<PadpMessage> reply = m_channel.Receive();
  if (!reply) return reply.Error();
  if (reply->transaction != transaction) {
    return Failure{"the handheld answered request " + std::to_string(reply->transaction) +
                   " instead of " + std::to_string(transaction)};
  }
  return std::move(reply->bytes);
}

SerialHandheldLink::SerialHandheldLink(ByteStream stream, SerialLinkSettings settings)
    : m_channel(std::move(stream), settings.timing), m_settings(std::move(settings)) {}

Result<void> SerialHandheldLink::Handshake() {
  const CmpMessage wakeup{
      kCmpWakeup, kCmpLongPadp, kCmpMajorVersion, kCmpHandheldMinorVersion, 0, m_settings.maxSpeed};
  if (Result<void> sent = m_channel.Send(kCmpTransaction, wakeup.Encode(), false); !sent) {
    return sent;
  }
  Result<CmpMessage> init = ReceiveCmp(m_channel, kCmpInit, "init");
  if (!init) return init.Error();
  m_longForm = (init->flags & kCmpLongPadp) != 0;
  const uint32_t speed = (init->flags & kCmpChangeSpeed) != 0 ? init->speed : kCmpStartSpeed;
  if (!m_settings.onSpeedChosen) return {};
  // The ack of the init leaves at the old speed before the line switches.
  std::this_thread::sleep_for(kAckLeaveTime);
  return m_settings.onSpeedChosen(speed);
}

Result<std::vector<uint8_t>> SerialHandheldLink::NextRequest() {
  Result<PadpMessage> request = m_channel.Receive();
  if (!request) return request.Error();
  m_lastRequest = request->transaction;
  return std::move(request->bytes);
}

Result<void> SerialHandheldLink::Reply(std::span<const uint8_t> reply) {
  return m_channel.Send(m_lastRequest, reply, m_longForm);
}

}  // namespace platform::link
