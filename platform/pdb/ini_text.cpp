// Line-based INI editing: the text is split into lines, the section is found
// by its header line, and the one key is read or rewritten in place.
#include "pdb/ini_text.h"

#include <vector>

namespace platform::pdb {
namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The section name of a "[Section]" line, or nothing.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

bool IsKeyLine(std::string_view line, std::string_view key) {
  const size_t equals = line.find('=');
  return equals != std::string_view::npos && Trim(line.substr(0, equals)) == key;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\n");
  return text;
}

}  // namespace

std::optional<std::string> ReadIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  bool inSection = false;
  for (const std::string& line : SplitLines(text)) {
    if (const auto name = SectionOf(line)) {
      inSection = *name == section;
    } else if (inSection && IsKeyLine(line, key)) {
      return line.substr(line.find('=') + 1);
    }
  }
  return std::nullopt;
}

std::string WriteIniValue(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view value) {
  std::vector<std::string> lines = SplitLines(text);
  const std::string keyLine = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  std::optional<size_t> insertAt;  // after the section's last non-blank line
  for (size_t i = 0; i < lines.size(); ++i) {
    if (const auto name = SectionOf(lines[i])) {
      inSection = *name == section;
      if (inSection) insertAt = i + 1;
    } else if (inSection && IsKeyLine(lines[i], key)) {
      lines[i] = keyLine;
      return JoinLines(lines);
    } else if (inSection && !Trim(lines[i]).empty()) {
      insertAt = i + 1;
    }
  }
  if (insertAt) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), keyLine);
  } else {
    std::string header = "[";
    header += section;
    header += ']';
    lines.push_back(std::move(header));
    lines.push_back(keyLine);
  }
  return JoinLines(lines);
}

}  // namespace platform::pdb
