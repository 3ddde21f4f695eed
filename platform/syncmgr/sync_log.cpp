// The HotSync log: entries are kept in memory for the HotSync in progress
// and, when the HotSync was given a log file, each is appended to it at once
// as one line "<local ISO time>\t<activity>\t<text>", line breaks inside the
// text written as "\n".
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "fs/fs.h"
#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::State;
using platform::syncmgr::StateLock;

namespace {

std::string LocalIsoTime() {
  const time_t now = std::time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// CR LF, LF and CR each become the two characters '\' 'n'.
std::string EscapeLineBreaks(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      escaped += "\\n";
    } else {
      escaped += text[i];
    }
  }
  return escaped;
}

// Appends one line to the log file, making its folder when needed. A log
// that cannot be written does not stop the HotSync.
void AppendLine(const std::string& path, const std::string& line) {
  const std::string folder = platform::FolderOfPath(path);
  if (!folder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
  }
  const int file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0) return;
  size_t written = 0;
  while (written < line.size()) {
    const ssize_t step = ::write(file, line.data() + written, line.size() - written);
    if (step <= 0) break;
    written += static_cast<size_t>(step);
  }
  ::close(file);
}

// The HotSync Manager's observer of new entries (SyncSetLogObserver).
SyncLogObserver g_logObserver = nullptr;
void* g_logObserverContext = nullptr;

}  // namespace

extern "C" {

int32_t LogAddEntry(const char* text, int32_t activity, int32_t /*timestamp*/) {
  SyncLogObserver observer = nullptr;
  void* context = nullptr;
  {
    const platform::syncmgr::CallScope call("LogAddEntry", false);
    if (call.Refused() != 0) return call.Refused();
    if (text == nullptr) return kSyncErrBadArgument;
    auto& state = State();
    state.log.push_back({text, activity});
    if (state.Active() && !state.logPath.empty()) {
      AppendLine(state.logPath, LocalIsoTime() + "\t" + std::to_string(activity) + "\t" +
                                    EscapeLineBreaks(text) + "\n");
    }
    observer = g_logObserver;
    context = g_logObserverContext;
  }
  // Outside the lock, so that the observer cannot deadlock the Sync Manager.
  if (observer != nullptr) observer(text, activity, context);
  return kSyncErrNone;
}

void SyncSetLogObserver(SyncLogObserver observer, void* context) {
  std::lock_guard lock(StateLock());
  g_logObserver = observer;
  g_logObserverContext = context;
}

int32_t SyncLogEntryCount(void) {
  std::lock_guard lock(StateLock());
  return static_cast<int32_t>(State().log.size());
}

int32_t SyncLogEntry(int32_t index, char* text, int32_t size, int32_t* activity) {
  std::lock_guard lock(StateLock());
  const auto& log = State().log;
  if (index < 0 || static_cast<size_t>(index) >= log.size()) return kSyncErrNoRecord;
  if (size < 0 || (text == nullptr && size > 0)) return kSyncErrBadArgument;
  const platform::syncmgr::LogEntry& entry = log[static_cast<size_t>(index)];
  if (size > 0) {
    const size_t copied = std::min(entry.text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(text, entry.text.data(), copied);
    text[copied] = '\0';
  }
  if (activity != nullptr) *activity = entry.activity;
  return kSyncErrNone;
}

}  // extern "C"
