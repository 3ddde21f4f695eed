// A handheld served over a socket pair: a DlpHandheld answers on its own
// thread behind the handheld's end of a NetSync link, and the test talks to
// it through the desktop's end. The handheld can be made to fail after a
// number of replies, as one dropped from the network or hung does.
#pragma once

#include <chrono>
#include <cstddef>
#include <limits>
#include <optional>
#include <thread>

#include "link/dlp_handheld.h"
#include "link/netsync_link.h"

namespace linktest {

// How the handheld's end fails once it has answered `afterReplies`
// requests: it closes the connection at the next request, or (silent) it
// reads every later request and answers none, keeping the connection open.
struct HandheldFault {
  size_t afterReplies = std::numeric_limits<size_t>::max();
  bool silent = false;
};

class ServedHandheld {
 public:
  // Serves `handheld`, which must outlive this object. Each wait of the
  // desktop's end is limited to `desktopTimeout`.
  explicit ServedHandheld(platform::link::DlpHandheld& handheld,
                          std::chrono::milliseconds desktopTimeout = std::chrono::seconds(10),
                          HandheldFault fault = {});
  ~ServedHandheld();
  ServedHandheld(const ServedHandheld&) = delete;
  ServedHandheld& operator=(const ServedHandheld&) = delete;

  // Whether both ends shook hands.
  bool Connected() const { return m_connected; }
  // The desktop's end of the link.
  platform::link::DesktopLink& Desktop() { return *m_desktop; }
  // Closes the desktop's end and waits for the handheld's; how serving
  // ended (a success once EndOfSync was answered).
  platform::Result<void> Finish();

 private:
  std::optional<platform::link::NetSyncDesktopLink> m_desktop;
  std::thread m_server;
  platform::Result<void> m_served;
  bool m_connected = false;
};

}  // namespace linktest
