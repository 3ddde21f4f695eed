// Faults on the handheld's end of the link, counted in DLP requests (the
// handshake before them is never faulted).
#include "handheld/link_faults.h"

#include <array>
#include <string>

namespace handheld {

using platform::Failure;
using platform::Result;

FaultyHandheldLink::FaultyHandheldLink(platform::link::HandheldLink& link,
                                       platform::link::ByteStream& stream, LinkFaults faults,
                                       std::chrono::milliseconds stallLimit)
    : m_link(link), m_stream(stream), m_faults(faults), m_stallLimit(stallLimit) {}

Result<std::vector<uint8_t>> FaultyHandheldLink::NextRequest() {
  Result<std::vector<uint8_t>> request = m_link.NextRequest();
  if (!request) return request;
  ++m_requests;
  if (m_faults.disconnectAfter && m_requests > *m_faults.disconnectAfter) {
    m_link.Close();
    return Failure{"the handheld closed the connection after " +
                   std::to_string(*m_faults.disconnectAfter) + " requests, as asked"};
  }
  if (m_faults.stallAfter && m_requests > *m_faults.stallAfter) return StallUntilDesktopGivesUp();
  return request;
}

Result<void> FaultyHandheldLink::Reply(std::span<const uint8_t> reply) {
  Result<void> sent = m_link.Reply(reply);
  if (sent) ++m_answered;
  return sent;
}

Failure FaultyHandheldLink::StallUntilDesktopGivesUp() {
  const std::string stalled = "the handheld stopped answering after " +
                              std::to_string(*m_faults.stallAfter) + " requests, as asked";
  const auto deadline = platform::link::Clock::now() + m_stallLimit;
  std::array<uint8_t, 1> dropped{};
  while (m_stream.ReadExactly(dropped, deadline)) {
  }
  if (platform::link::Clock::now() >= deadline) {
    return Failure{stalled + "; the desktop kept the connection open past the time limit"};
  }
  return Failure{stalled + "; the desktop gave up"};
}

}  // namespace handheld
