// Reading the help page.
#include "help_file.h"

#include "fs/fs.h"

namespace desktop {

std::optional<std::string> ReadHelpFile(const std::string& path) {
  auto status = platform::GetFileStatus(path);
  if (!status || status->isDirectory) return std::nullopt;
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

}  // namespace desktop
