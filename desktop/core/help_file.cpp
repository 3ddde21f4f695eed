// Finding and reading the help page.
#include "help_file.h"

#include "fs/fs.h"

namespace desktop {

std::optional<std::string> ReadHelpFile(const std::string& path) {
  // A folder of that name cannot be read either, so it gives nothing too.
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::vector<std::string> HelpFilePlaces(const std::string& dataDirectory,
                                        const std::string& programFolder) {
  std::vector<std::string> places = {dataDirectory + "/" + kHelpFileName};
  std::string besideProgram = programFolder + "/" + kHelpFileName;
  if (besideProgram != places.front()) places.push_back(besideProgram);
  return places;
}

}  // namespace desktop
