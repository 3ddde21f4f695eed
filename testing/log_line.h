// Test support: HotSync log entries, read from the Sync Manager of this
// process or from a user's HotSync.log file.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace vlmtest {

struct LogLine {
  std::string text;
  int32_t activity = 0;
  bool operator==(const LogLine&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const LogLine& line) {
  return out << "{\"" << line.text << "\", " << line.activity << "}";
}

// The entries of a HotSync.log file (lines of time TAB activity TAB text);
// nothing when it cannot be read.
std::vector<LogLine> ReadLogFile(const std::string& path);

}  // namespace vlmtest
