// Reading the data directory from the settings.
#include "data_directory.h"

#include "settings/settings.h"

namespace conduit {

std::optional<std::string> ReadDataDirectory() {
  std::optional<std::string> directory =
      platform::settings::QueryValue(kDirectoriesKey, kDataDirValue);
  if (!directory || directory->empty()) return std::nullopt;
  return directory;
}

}  // namespace conduit
