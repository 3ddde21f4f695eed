// PADP's sending with acks and retries, and its receiving with acks, over
// SLP frames on a byte stream.
#include "link/padp_channel.h"

#include <array>
#include <string>
#include <utility>

namespace platform::link {
namespace {

constexpr size_t kReadChunk = 4096;

}  // namespace

PadpChannel::PadpChannel(ByteStream stream, PadpTiming timing)
    : m_stream(std::move(stream)), m_timing(timing) {}

Result<void> PadpChannel::Send(uint8_t transaction, std::span<const uint8_t> message,
                               bool longForm) {
  Result<std::vector<PadpFragment>> fragments = FragmentPadpMessage(message, longForm);
  if (!fragments) return fragments.Error();
  for (const PadpFragment& fragment : *fragments) {
    if (Result<void> sent = SendFragment(transaction, fragment); !sent) return sent;
  }
  return {};
}

Result<void> PadpChannel::SendFragment(uint8_t transaction, const PadpFragment& fragment) {
  ++m_statistics.fragmentsSent;
  for (int attempt = 0; attempt < m_timing.tries; ++attempt) {
    if (attempt > 0) ++m_statistics.fragmentsResent;
    if (Result<void> written = WriteFragment(transaction, fragment); !written) return written;
    const Clock::time_point written = Clock::now();
    Result<bool> acked = AwaitAck(transaction, fragment, written + m_timing.ackWait);
    m_statistics.ackWait += Clock::now() - written;
    if (!acked) return acked.Error();
    if (*acked) return {};
  }
  return Failure{"the other end did not acknowledge a message after " +
                 std::to_string(m_timing.tries) + " tries"};
}

Result<bool> PadpChannel::AwaitAck(uint8_t transaction, const PadpFragment& fragment,
                                   Clock::time_point deadline) {
  for (;;) {
    Result<std::optional<Incoming>> incoming = NextFragment(deadline, Wait::kUntilDeadline);
    if (!incoming) return incoming.Error();
    if (!*incoming) return false;
    if ((*incoming)->fragment.type == kPadpAck) {
      // Any other ack repeats an earlier one: the peer acks each copy of a
      // fragment it was sent twice.
      if ((*incoming)->transaction == transaction &&
          (*incoming)->fragment.sizeOrOffset == fragment.sizeOrOffset) {
        return true;
      }
      continue;
    }
    if (Result<void> taken = TakeData(**incoming); !taken) return taken.Error();
  }
}

Result<PadpMessage> PadpChannel::Receive() {
  const Clock::time_point deadline = Clock::now() + m_timing.messageWait;
  while (m_ready.empty()) {
    Result<std::optional<Incoming>> incoming = NextFragment(deadline, Wait::kUntilDeadline);
    if (!incoming) return incoming.Error();
    if (!*incoming) return Failure{"the other end did not answer in time"};
    if ((*incoming)->fragment.type == kPadpAck) continue;  // a late repeat of an earlier ack
    if (Result<void> taken = TakeData(**incoming); !taken) return taken.Error();
  }
  if (Result<void> buffered = TakeBuffered(); !buffered) return buffered.Error();
  PadpMessage message = std::move(m_ready.front());
  m_ready.pop_front();
  return message;
}

Result<void> PadpChannel::TakeBuffered() {
  for (;;) {
    Result<std::optional<Incoming>> incoming = NextFragment(Clock::now(), Wait::kBufferedOnly);
    if (!incoming) return incoming.Error();
    if (!*incoming) return {};
    if ((*incoming)->fragment.type == kPadpAck) continue;
    if (Result<void> taken = TakeData(**incoming); !taken) return taken;
  }
}

Result<std::optional<PadpChannel::Incoming>> PadpChannel::NextFragment(Clock::time_point deadline,
                                                                       Wait wait) {
  for (;;) {
    while (std::optional<SlpFrame> frame = m_reader.Next()) {
      if (frame->type != kSlpTypePadp || frame->destination != kSlpDlpSocket) continue;
      Result<PadpFragment> fragment = PadpFragment::Decode(frame->body);
      if (!fragment) return fragment.Error();
      if (fragment->type == kPadpAbort) return Failure{"the other end ended the HotSync"};
      if (fragment->type == kPadpTickle) continue;
      if (fragment->type != kPadpData && fragment->type != kPadpAck) {
        return Failure{"the other end sent a PADP fragment of unknown type " +
                       std::to_string(fragment->type)};
      }
      return std::optional<Incoming>{Incoming{frame->transaction, std::move(*fragment)}};
    }
    if (wait == Wait::kBufferedOnly) return std::optional<Incoming>{};
    std::array<uint8_t, kReadChunk> bytes{};
    Result<size_t> got = m_stream.ReadSome(bytes, deadline);
    if (!got) return got.Error();
    if (*got == 0) return std::optional<Incoming>{};
    m_reader.Feed(std::span<const uint8_t>(bytes).first(*got));
  }
}

Result<void> PadpChannel::TakeData(const Incoming& incoming) {
  if (Result<void> acked = WriteFragment(incoming.transaction, PadpAckFor(incoming.fragment));
      !acked) {
    return acked;
  }
  auto message = m_reassembler.Take(incoming.transaction, incoming.fragment);
  if (!message) return message.Error();
  if (*message) m_ready.push_back({incoming.transaction, std::move(**message)});
  return {};
}

Result<void> PadpChannel::WriteFragment(uint8_t transaction, const PadpFragment& fragment) {
  const SlpFrame frame{kSlpDlpSocket, kSlpDlpSocket, kSlpTypePadp, transaction, fragment.Encode()};
  return m_stream.WriteAll(frame.Encode(), Clock::now() + m_timing.ackWait);
}

}  // namespace platform::link
