// The process-wide HotSync state and the helpers every call shares: the
// entry check and the parsing of injected failures and the kill hook.
#include "syncmgr/sync_state.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::syncmgr {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "0x4001", "16385" or "-1"; kSyncErrInjected when empty, zero or unreadable.
int32_t ParseCode(std::string_view text) {
  const std::string digits(Trim(text));
  if (digits.empty()) return kSyncErrInjected;
  char* end = nullptr;
  const long code = std::strtol(digits.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || code == 0 || code < INT32_MIN || code > INT32_MAX) {
    return kSyncErrInjected;
  }
  return static_cast<int32_t>(code);
}

}  // namespace

SyncState& State() {
  static SyncState state;
  return state;
}

std::mutex& StateLock() {
  static std::mutex lock;
  return lock;
}

int32_t InjectedFailure(std::string_view call) {
  const auto& injected = State().injected;
  const auto found = injected.find(call);
  return found == injected.end() ? 0 : found->second;
}

namespace {

// Counts the call and answers whether the kill hook names this call now.
bool CountsToKillPoint(std::string_view call, bool after) {
  SyncState& state = State();
  if (!state.Active() || !state.killPoint || state.killPoint->call != call) return false;
  if (state.killPoint->after != after) return false;
  return state.callCounts[std::string(call)] == state.killPoint->count;
}

[[noreturn]] void KillThisProcess() {
  kill(getpid(), SIGKILL);
  std::abort();  // not reached: SIGKILL cannot be caught
}

}  // namespace

CallScope::CallScope(std::string_view call, bool needsSession) : m_lock(StateLock()) {
  SyncState& state = State();
  if (state.Active()) ++state.callCounts[std::string(call)];
  if (CountsToKillPoint(call, false)) KillThisProcess();
  m_killAfter = CountsToKillPoint(call, true);
  m_refused = InjectedFailure(call);
  if (m_refused == 0 && needsSession && !state.Active()) m_refused = kSyncErrNoSession;
}

CallScope::~CallScope() {
  if (m_killAfter) KillThisProcess();
}

void SetKillPoint(std::string_view text) {
  KillPoint point;
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view moment = text.substr(0, colon);
  if (moment != "before" && moment != "after") return;
  point.after = moment == "after";
  std::string_view rest = text.substr(colon + 1);
  const size_t countColon = rest.find(':');
  point.call = std::string(Trim(rest.substr(0, countColon)));
  if (countColon != std::string_view::npos) {
    const std::string count(Trim(rest.substr(countColon + 1)));
    point.count = std::atoi(count.c_str());
  }
  if (point.call.empty() || point.count < 1) return;
  State().killPoint = std::move(point);
}

void AddInjectedFailures(std::string_view list) {
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    const size_t equals = item.find('=');
    const std::string_view call = Trim(item.substr(0, equals));
    if (call.empty()) continue;
    const int32_t code =
        equals == std::string_view::npos ? kSyncErrInjected : ParseCode(item.substr(equals + 1));
    State().injected[std::string(call)] = code;
  }
}

}  // namespace platform::syncmgr
