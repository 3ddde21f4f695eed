// The handheld's end of a HotSync (network or serial), with the faults a test of the
// desktop asks for: the connection closed instead of an answer, or answers
// that stop while the connection stays open. It counts the answers it sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/byte_stream.h"
#include "link/dlp_link.h"

namespace handheld {

struct LinkFaults {
  // Closes the connection instead of answering request N+1.
  std::optional<uint64_t> disconnectAfter;
  // Answers no request after the N-th, and keeps the connection open until
  // the desktop closes it (or the stall limit passes).
  std::optional<uint64_t> stallAfter;
};

class FaultyHandheldLink final : public platform::link::HandheldLink {
 public:
  // `stream` is the one `link` reads, drained while the handheld stalls.
  FaultyHandheldLink(platform::link::HandheldLink& link, platform::link::ByteStream& stream,
                     LinkFaults faults, std::chrono::milliseconds stallLimit);

  // The next request, or the failure the fault makes of it.
  platform::Result<std::vector<uint8_t>> NextRequest() override;
  // Sends the reply and counts it.
  platform::Result<void> Reply(std::span<const uint8_t> reply) override;
  void Close() override { m_link.Close(); }

  // The requests answered so far.
  uint64_t Answered() const { return m_answered; }

 private:
  // Reads and drops what the desktop sends until it closes the connection.
  platform::Failure StallUntilDesktopGivesUp();

  platform::link::HandheldLink& m_link;
  platform::link::ByteStream& m_stream;
  LinkFaults m_faults;
  std::chrono::milliseconds m_stallLimit;
  uint64_t m_requests = 0;
  uint64_t m_answered = 0;
};

}  // namespace handheld
