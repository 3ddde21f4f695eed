// A test handheld served on its own thread, and the faults it can be given.
#include "served_handheld.h"

#include "link/dlp_server.h"
#include "recorded_session.h"

namespace linktest {
namespace {

using platform::Failure;
using platform::Result;
using platform::link::HandheldLink;

// The handheld's end of the link, failing as `fault` says.
class FaultyLink final : public HandheldLink {
 public:
  FaultyLink(HandheldLink& link, HandheldFault fault) : m_link(link), m_fault(fault) {}

  Result<std::vector<uint8_t>> NextRequest() override {
    Result<std::vector<uint8_t>> request = m_link.NextRequest();
    if (!request || m_replies < m_fault.afterReplies) return request;
    if (!m_fault.silent) {
      m_link.Close();
      return Failure{"the handheld went away"};
    }
    // Hung: take every request, answer none, until the desktop goes away.
    while (request) request = m_link.NextRequest();
    return request;
  }
  Result<void> Reply(std::span<const uint8_t> reply) override {
    ++m_replies;
    return m_link.Reply(reply);
  }
  void Close() override { m_link.Close(); }

 private:
  HandheldLink& m_link;
  HandheldFault m_fault;
  size_t m_replies = 0;
};

}  // namespace

ServedHandheld::ServedHandheld(platform::link::DlpHandheld& handheld,
                               std::chrono::milliseconds desktopTimeout, HandheldFault fault) {
  auto [desktopEnd, handheldEnd] = StreamPair();
  m_server = std::thread([this, &handheld, fault, stream = std::move(handheldEnd)]() mutable {
    platform::link::NetSyncHandheldLink link(std::move(stream), std::chrono::seconds(10));
    FaultyLink faulty(link, fault);
    Result<void> shaken = link.Handshake();
    m_served = shaken ? ServeDlp(faulty, handheld) : shaken;
  });
  m_desktop.emplace(std::move(desktopEnd), desktopTimeout);
  m_connected = m_desktop->Handshake().Ok();
}

ServedHandheld::~ServedHandheld() {
  static_cast<void>(Finish());
}

Result<void> ServedHandheld::Finish() {
  m_desktop->Close();
  if (m_server.joinable()) m_server.join();
  return m_served;
}

}  // namespace linktest
