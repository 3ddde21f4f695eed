// The conduit's entries in the HotSync log. Every entry is a text and an
// activity code; these helpers keep the codes in one place so that a warning
// is always activity 22 and the start and end entries carry 19, 20 or 21.
#pragma once

#include <cstdint>

namespace conduit {

enum class LogActivity : int32_t {
  kText = -1,
  kSyncStarted = 19,
  kSyncFinished = 20,
  kSyncFailed = 21,
  kWarning = 22,
};

// Appends one entry to the log of the HotSync in progress.
void LogEntry(const char* text, LogActivity activity);

// A plain line (activity -1).
inline void LogText(const char* text) {
  LogEntry(text, LogActivity::kText);
}
// A warning or error line (activity 22).
inline void LogWarning(const char* text) {
  LogEntry(text, LogActivity::kWarning);
}

}  // namespace conduit
