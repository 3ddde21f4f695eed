// Reading the help page.
#include "help_file.h"

#include "fs/fs.h"

namespace desktop {

std::optional<std::string> ReadHelpFile(const std::string& path) {
  // A folder of that name cannot be read either, so it gives nothing too.
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

}  // namespace desktop
