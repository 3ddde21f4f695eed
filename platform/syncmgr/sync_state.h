// The state of the HotSync in progress, shared by every Sync Manager call in
// the process: the handheld it works on, the registered conduit, the
// injected failures and the log.
//
// Every exported call opens a CallScope, which takes the lock and asks
// whether the call may run (an injected failure, then the session), and
// works on this state.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "result/result.h"
#include "syncmgr/handheld_backend.h"
#include "syncmgr/syncmgr.h"

namespace platform::syncmgr {

struct LogEntry {
  std::string text;
  int32_t activity = 0;
};

// A test hook, read from the environment variable SYNCMGR_KILL when a
// HotSync begins: "before:Call[:n]" or "after:Call[:n]" makes the process
// kill itself with SIGKILL just before or just after the n-th call (first
// when n is left out) of the named call in that HotSync, as a crash or a
// `kill -9` would at that moment.
struct KillPoint {
  std::string call;
  int32_t count = 1;
  bool after = false;
};

struct SyncState {
  std::unique_ptr<Backend> backend;  // the handheld of the HotSync in progress
  std::string logPath;
  CONDHANDLE registered = 0;
  CONDHANDLE lastHandle = 0;
  std::map<std::string, int32_t, std::less<>> injected;
  std::vector<LogEntry> log;
  std::optional<KillPoint> killPoint;
  std::map<std::string, int32_t, std::less<>> callCounts;  // calls of this HotSync, by name

  bool Active() const { return backend != nullptr; }
};

// The process's state and the lock that guards it.
SyncState& State();
std::mutex& StateLock();

// One exported call, for its whole length: holds the state lock, knows
// whether the call may run, and carries out the kill hook before and after
// it.
class CallScope {
 public:
  // `needsSession` is false for the calls that work outside a HotSync too;
  // only an injected failure refuses them.
  explicit CallScope(std::string_view call, bool needsSession = true);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // 0 when the call may go on: no failure injected for it and, when it
  // needs one, a HotSync in progress; otherwise the code to return.
  int32_t Refused() const { return m_refused; }
  // The handheld of the HotSync in progress; only for a call that needs a
  // session and was not refused.
  Backend& Handheld() const { return *State().backend; }

 private:
  std::lock_guard<std::mutex> m_lock;
  int32_t m_refused = 0;
  bool m_killAfter = false;
};

// The failure injected for `call`, 0 when there is none.
int32_t InjectedFailure(std::string_view call);

// 0 for a success, otherwise the Sync Manager code of the failure.
template <typename T>
int32_t CodeOf(const Result<T>& result) {
  return result.Ok() ? kSyncErrNone : static_cast<int32_t>(result.Code());
}

// Adds "Call[=code],Call..." to the injected failures; a missing, zero or
// unreadable code is kSyncErrInjected.
void AddInjectedFailures(std::string_view list);
// Sets the kill hook from "before:Call[:n]" or "after:Call[:n]"; ignores
// any other text.
void SetKillPoint(std::string_view text);

}  // namespace platform::syncmgr
