// The steps every HotSync takes, whichever handheld it runs on: the Sync
// Manager's session, the user's folder, the conduits with their sync types,
// and the log shown on the terminal as it grows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "condmgr/registrations.h"
#include "manager/hotsync_commands.h"
#include "syncmgr/handheld_backend.h"
#include "syncmgr/syncmgr.h"

namespace hotsync {

// Ends the Sync Manager's session on every way out.
class SyncSession {
 public:
  SyncSession() = default;
  SyncSession(const SyncSession&) = delete;
  SyncSession& operator=(const SyncSession&) = delete;
  ~SyncSession() { End(); }
  // A HotSync of the image folder `image`.
  int32_t Begin(const std::string& image, const std::string& log);
  // A HotSync of the handheld `backend` reaches.
  int32_t BeginOn(std::unique_ptr<platform::syncmgr::Backend> backend, const std::string& log);
  void End();
  bool IsOpen() const { return m_open; }

 private:
  bool m_open = false;
};

// Shows the log entries on `out` while it lives.
class LogPrinter {
 public:
  explicit LogPrinter(std::ostream& out);
  ~LogPrinter();
  LogPrinter(const LogPrinter&) = delete;
  LogPrinter& operator=(const LogPrinter&) = delete;
};

// Makes the user's folder in the HotSync data folder; false after a message.
bool MakeUserFolder(const std::string& home, const std::string& user, std::ostream& err);

// Asked before each conduit: run it, pass it by, or end the HotSync there.
enum class ConduitGate { kRun, kPass, kStop };
using BeforeConduit = std::function<ConduitGate(const Registration&)>;

// Runs the conduits in turn, each after `before` (when given) lets it;
// returns the number that failed.
int RunConduits(const std::vector<Registration>& registrations, const SyncOptions& options,
                const std::string& user, const std::string& userFolder, std::ostream& out,
                std::ostream& err, const BeforeConduit& before = {});

}  // namespace hotsync
