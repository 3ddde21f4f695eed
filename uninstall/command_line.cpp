// Reading the calling process's command line and finding the "-c" folder.
#include "command_line.h"

#include <cstdint>

#include "fs/fs.h"
#include "uninstall_strings.h"

namespace uninstall {
namespace {

// /proc/self/cmdline is small; the kernel caps what a process can be given.
constexpr uint64_t kCommandLineLimit = 4 << 20;

std::string_view WithoutQuotes(std::string_view text) {
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return text;
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

}  // namespace

SplitPath SplitAtLastSlash(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

std::string CommandLineFolder(const std::vector<std::string>& arguments) {
  const std::string_view option = kFolderOption;
  size_t first = 1;
  while (first < arguments.size() && !arguments[first].starts_with(option)) ++first;
  if (first >= arguments.size()) return {};
  std::string rest = arguments[first].substr(option.size());
  for (size_t i = first + 1; i < arguments.size(); ++i) rest += " " + arguments[i];
  // "-c /path" arrives as two arguments: the blank between them is no part
  // of the path.
  return SplitAtLastSlash(WithoutQuotes(WithoutLeadingBlanks(rest))).folder;
}

std::vector<std::string> OwnArguments() {
  std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile("/proc/self/cmdline", kCommandLineLimit);
  std::vector<std::string> arguments;
  if (!bytes) return arguments;
  std::string current;
  for (uint8_t byte : *bytes) {
    if (byte == 0) {
      arguments.push_back(std::move(current));
      current.clear();
    } else {
      current += static_cast<char>(byte);
    }
  }
  if (!current.empty()) arguments.push_back(std::move(current));
  return arguments;
}

}  // namespace uninstall
