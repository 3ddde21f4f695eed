// The state of the HotSync in progress, shared by every Sync Manager call in
// the process: the handheld image, the registered conduit, the open
// databases with their handles, the injected failures and the log.
//
// Every exported call opens a CallScope, which takes the lock and asks
// whether the call may run (an injected failure, then the session), and
// works on this state.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "syncmgr/syncmgr.h"

namespace platform::syncmgr {

constexpr size_t kMaxOpenDatabases = 32;
constexpr uint8_t kCreateMode = kDbRead | kDbWrite | kDbShowSecret;

// One loaded database, shared by every handle open on it.
struct LoadedDatabase {
  pdb::PalmDatabase database;
  bool changed = false;
  std::optional<std::unordered_set<uint32_t>> idsInUse;  // built at the first new record
};

struct OpenHandle {
  std::shared_ptr<LoadedDatabase> loaded;
  uint8_t mode = 0;
  size_t walkPosition = 0;  // next index the category walk looks at

  bool CanWrite() const { return (mode & kDbWrite) != 0; }
  bool CanRead() const { return (mode & kDbRead) != 0; }
  bool ShowsSecret() const { return (mode & kDbShowSecret) != 0; }
};

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
  bool active = false;
  pdb::HandheldImage image{""};
  std::string logPath;
  CONDHANDLE registered = 0;
  CONDHANDLE lastHandle = 0;
  std::array<std::optional<OpenHandle>, kMaxOpenDatabases> handles;
  std::map<std::string, int32_t, std::less<>> injected;
  std::vector<LogEntry> log;
  std::optional<KillPoint> killPoint;
  std::map<std::string, int32_t, std::less<>> callCounts;  // calls of this HotSync, by name
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

 private:
  std::lock_guard<std::mutex> m_lock;
  int32_t m_refused = 0;
  bool m_killAfter = false;
};

// The failure injected for `call`, 0 when there is none.
int32_t InjectedFailure(std::string_view call);

// The open handle, or null.
OpenHandle* FindHandle(uint8_t handle);
// Takes a free handle for `loaded`; 0 when every handle is in use.
uint8_t TakeHandle(std::shared_ptr<LoadedDatabase> loaded, uint8_t mode);
// The loaded database of `name` when a handle has it open.
std::shared_ptr<LoadedDatabase> FindLoaded(std::string_view name);
// Writes a changed database back (temporary file, rename); 0 or kSyncErrIo.
int32_t WriteBack(LoadedDatabase& loaded);
// Closes the handle, writing back a changed database; 0 or kSyncErrIo.
int32_t CloseHandle(uint8_t handle);
// Closes the handle without writing anything back: what changed through it
// is lost unless another handle still has the database open.
void DiscardHandle(uint8_t handle);

// Adds "Call[=code],Call..." to the injected failures; a missing, zero or
// unreadable code is kSyncErrInjected.
void AddInjectedFailures(std::string_view list);
// Sets the kill hook from "before:Call[:n]" or "after:Call[:n]"; ignores
// any other text.
void SetKillPoint(std::string_view text);

}  // namespace platform::syncmgr
