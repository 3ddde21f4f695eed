// Writes the conduit's HotSync log entries through the log library's
// add-entry call.
#include "sync_log.h"

#include "syncmgr/syncmgr.h"

namespace conduit {

void LogEntry(const char* text, LogActivity activity) {
  LogAddEntry(text, static_cast<int32_t>(activity), 0);
}

}  // namespace conduit
