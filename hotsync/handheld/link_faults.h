// The handheld's end of a network HotSync, with the faults a test of the
// desktop asks for: the connection closed instead of an answer, or answers
// that stop while the connection stays open. It counts the answers it sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/dlp_link.h"
#include "link/netsync_link.h"

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
  FaultyHandheldLink(platform::link::NetSyncHandheldLink& link, LinkFaults faults,
                     std::chrono::milliseconds stallLimit);

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

  platform::link::NetSyncHandheldLink& m_link;
  LinkFaults m_faults;
  std::chrono::milliseconds m_stallLimit;
  uint64_t m_requests = 0;
  uint64_t m_answered = 0;
};

}  // namespace handheld
