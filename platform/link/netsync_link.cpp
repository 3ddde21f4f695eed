// The NetSync framing of DLP and its handshake.
#include "link/netsync_link.h"

#include <string>

#include "link/netsync_packet.h"

namespace platform::link {

Result<NetSyncPacket> ReadNetSyncPacket(ByteStream& stream, Clock::time_point deadline) {
  for (;;) {
    std::array<uint8_t, kNetSyncHeadSize> headBytes{};
    if (Result<void> read = stream.ReadExactly(headBytes, deadline); !read) {
      return Failure{read.Reason()};
    }
    const NetSyncHead head = NetSyncHead::Decode(headBytes);
    if (head.type != kNetSyncData && head.type != kNetSyncTickle) {
      return Failure{"the handheld sent a packet of unknown type " + std::to_string(head.type)};
    }
    if (head.length > kNetSyncMaxPayload) {
      return Failure{"the handheld announced a packet of " + std::to_string(head.length) +
                     " bytes, more than a HotSync ever sends"};
    }
    NetSyncPacket packet{head.transaction, std::vector<uint8_t>(head.length)};
    if (Result<void> read = stream.ReadExactly(packet.payload, deadline); !read) {
      return Failure{read.Reason()};
    }
    if (head.type == kNetSyncData) return packet;
  }
}

Result<void> WriteNetSyncPacket(ByteStream& stream, uint8_t transaction,
                                std::span<const uint8_t> payload, Clock::time_point deadline) {
  if (payload.size() > kNetSyncMaxPayload) {
    return Failure{"a message of " + std::to_string(payload.size()) + " bytes is too long to send"};
  }
  const NetSyncHead head{kNetSyncData, transaction, static_cast<uint32_t>(payload.size())};
  const std::array<uint8_t, kNetSyncHeadSize> headBytes = head.Encode();
  std::vector<uint8_t> packet(headBytes.begin(), headBytes.end());
  packet.insert(packet.end(), payload.begin(), payload.end());
  return stream.WriteAll(packet, deadline);
}

NetSyncDesktopLink::NetSyncDesktopLink(ByteStream stream, std::chrono::milliseconds timeout)
    : m_stream(std::move(stream)), m_timeout(timeout) {}

Result<void> NetSyncDesktopLink::ExpectHandshake(size_t size, const char* which) {
  Result<NetSyncPacket> packet = ReadNetSyncPacket(m_stream, Deadline());
  if (!packet) return Failure{packet.Reason()};
  if (packet->payload.size() != size) {
    return Failure{std::string("the handheld's ") + which + " is " +
                   std::to_string(packet->payload.size()) + " bytes instead of " +
                   std::to_string(size) + ": it does not speak network HotSync"};
  }
  return {};
}

Result<void> NetSyncDesktopLink::Handshake() {
  if (Result<void> step = ExpectHandshake(kHandheldHelloSize, "greeting"); !step) return step;
  if (Result<void> step = WriteNetSyncPacket(m_stream, 1, DesktopHello(), Deadline()); !step) {
    return step;
  }
  if (Result<void> step = ExpectHandshake(kHandheldHelloReplySize, "answer"); !step) return step;
  if (Result<void> step = WriteNetSyncPacket(m_stream, 2, DesktopAccept(), Deadline()); !step) {
    return step;
  }
  if (Result<void> step = ExpectHandshake(kHandheldAcceptReplySize, "confirmation"); !step) {
    return step;
  }
  m_transaction = 3;
  return {};
}

Result<std::vector<uint8_t>> NetSyncDesktopLink::Call(std::span<const uint8_t> request) {
  if (m_broken) return Failure{"the connection to the handheld was lost"};
  Result<std::vector<uint8_t>> reply = Exchange(request);
  if (!reply) {
    m_broken = true;
    m_stream.Close();
  }
  return reply;
}

Result<std::vector<uint8_t>> NetSyncDesktopLink::Exchange(std::span<const uint8_t> request) {
  const uint8_t transaction = m_transaction;
  m_transaction = NextTransaction(m_transaction);
  if (Result<void> sent = WriteNetSyncPacket(m_stream, transaction, request, Deadline()); !sent) {
    return Failure{sent.Reason()};
  }
  Result<NetSyncPacket> reply = ReadNetSyncPacket(m_stream, Deadline());
  if (!reply) return Failure{reply.Reason()};
  if (reply->transaction != transaction) {
    return Failure{"the handheld answered request " + std::to_string(reply->transaction) +
                   " instead of " + std::to_string(transaction)};
  }
  return std::move(reply->payload);
}

NetSyncHandheldLink::NetSyncHandheldLink(ByteStream stream, std::chrono::milliseconds timeout)
    : m_stream(std::move(stream)), m_timeout(timeout) {}

Result<void> NetSyncHandheldLink::Handshake() {
  if (Result<void> step = WriteNetSyncPacket(m_stream, kHandheldFirstTransaction, HandheldHello(),
                                             Deadline());
      !step) {
    return step;
  }
  Result<NetSyncPacket> hello = ReadNetSyncPacket(m_stream, Deadline());
  if (!hello) return Failure{hello.Reason()};
  if (Result<void> step =
          WriteNetSyncPacket(m_stream, hello->transaction, HandheldHelloReply(), Deadline());
      !step) {
    return step;
  }
  Result<NetSyncPacket> accept = ReadNetSyncPacket(m_stream, Deadline());
  if (!accept) return Failure{accept.Reason()};
  return WriteNetSyncPacket(m_stream, accept->transaction, HandheldAcceptReply(), Deadline());
}

Result<std::vector<uint8_t>> NetSyncHandheldLink::NextRequest() {
  Result<NetSyncPacket> request = ReadNetSyncPacket(m_stream, Deadline());
  if (!request) return Failure{request.Reason()};
  m_lastRequest = request->transaction;
  return std::move(request->payload);
}

Result<void> NetSyncHandheldLink::Reply(std::span<const uint8_t> reply) {
  return WriteNetSyncPacket(m_stream, m_lastRequest, reply, Deadline());
}

}  // namespace platform::link
