// Test support: a HotSync of a handheld image folder through the Sync
// Manager of this process, and the log entries it wrote.
#pragma once

#include <string>
#include <vector>

#include "testing/log_line.h"

namespace vlmtest {

// A HotSync of `imageDir` for the life of the object; the log goes to
// `logPath` when one is given. Ending it clears any injected failure.
class HotSyncSession {
 public:
  explicit HotSyncSession(const std::string& imageDir, const std::string& logPath = {});
  ~HotSyncSession();
  HotSyncSession(const HotSyncSession&) = delete;
  HotSyncSession& operator=(const HotSyncSession&) = delete;
  bool Ok() const { return m_ok; }

 private:
  bool m_ok = false;
};

// Entries of the HotSync log of the session in progress (or the last one).
std::vector<LogLine> SessionLog();

}  // namespace vlmtest
