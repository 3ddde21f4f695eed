// HotSync log entries for the tests.
#include "testing/log_line.h"

#include <cstdlib>
#include <sstream>

#include "testing/files.h"

namespace vlmtest {

std::vector<LogLine> ReadLogFile(const std::string& path) {
  std::vector<LogLine> lines;
  std::istringstream log(ReadFile(path));
  std::string line;
  while (std::getline(log, line)) {
    const size_t first = line.find('\t');
    const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) continue;
    lines.push_back(
        {line.substr(second + 1), std::atoi(line.substr(first + 1, second - first - 1).c_str())});
  }
  return lines;
}

}  // namespace vlmtest
