// One end of a PADP conversation over a byte stream, as both ends of a
// serial HotSync hold it. A message goes out fragment by fragment, each
// repeated until its ack arrives; every data fragment that comes in is
// acked, repeats included, and put together into messages. Tickles are
// skipped; an abort or a damaged fragment ends the conversation.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "link/byte_stream.h"
#include "link/dlp_link.h"
#include "link/padp.h"
#include "link/slp_frame.h"
#include "result/result.h"

namespace platform::link {

struct PadpTiming {
  // How long a sent fragment waits for its ack before it is sent again.
  std::chrono::milliseconds ackWait{2'000};
  // How often a fragment is sent before the peer counts as gone.
  int tries = 10;
  // How long the wait for the peer's next message may take.
  std::chrono::milliseconds messageWait = kDefaultLinkTimeout;
};

struct PadpMessage {
  uint8_t transaction = 0;
  std::vector<uint8_t> bytes;
};

// What the sending end of a channel did, for whoever tunes a line.
struct PadpStatistics {
  size_t fragmentsSent = 0;  // each fragment once
  size_t fragmentsResent = 0;
  Clock::duration ackWait{};  // from each fragment's write to its ack
};

class PadpChannel {
 public:
  PadpChannel(ByteStream stream, PadpTiming timing);

  // Sends `message` under `transaction`; fails when a fragment is not acked
  // after the set number of tries, or the stream fails.
  Result<void> Send(uint8_t transaction, std::span<const uint8_t> message, bool longForm);
  // The peer's next message.
  Result<PadpMessage> Receive();

  void Close() { m_stream.Close(); }
  ByteStream& Stream() { return m_stream; }
  const SlpSkipped& Skipped() const { return m_reader.Skipped(); }
  const PadpStatistics& Statistics() const { return m_statistics; }

 private:
  struct Incoming {
    uint8_t transaction = 0;
    PadpFragment fragment;
  };
  enum class Wait { kUntilDeadline, kBufferedOnly };

  Result<void> SendFragment(uint8_t transaction, const PadpFragment& fragment);
  // True when the ack for `fragment`, sent under `transaction`, came by
  // `deadline`.
  Result<bool> AwaitAck(uint8_t transaction, const PadpFragment& fragment,
                        Clock::time_point deadline);
  // The next data or ack fragment; nothing when the deadline passed, or
  // with kBufferedOnly, when no whole frame is buffered.
  Result<std::optional<Incoming>> NextFragment(Clock::time_point deadline, Wait wait);
  // Acks a data fragment and adds it to the message it belongs to.
  Result<void> TakeData(const Incoming& incoming);
  // Takes the data fragments that arrived with the last one read, so the
  // peer's repeats are acked before anything else is sent.
  Result<void> TakeBuffered();
  Result<void> WriteFragment(uint8_t transaction, const PadpFragment& fragment);

  ByteStream m_stream;
  PadpTiming m_timing;
  SlpReader m_reader;
  PadpReassembler m_reassembler;
  std::deque<PadpMessage> m_ready;
  PadpStatistics m_statistics;
};

}  // namespace platform::link
