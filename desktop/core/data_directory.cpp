// Reading and repairing the "DataDir" setting.
#include "data_directory.h"

#include <unistd.h>

#include "data_folder.h"  // setup/
#include "fs/fs.h"
#include "settings/settings.h"

namespace desktop {

bool DataFolderExists(const std::string& value) {
  std::string folder = value;
  // "/" keeps its slash: the root folder has no other name.
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return false;
  auto status = platform::GetFileStatus(folder);
  // A plain file cannot hold the store, so it counts as no folder at all.
  return status.has_value() && status->isDirectory;
}

DataDirectory ResolveDataDirectory(const std::string& programFolder) {
  DataDirectory result;
  result.path = platform::settings::QueryValue(kDirectoriesKey, kDataDirValue).value_or("");
  if (!result.path.empty() && DataFolderExists(result.path)) return result;
  result.replaced = true;
  // An installed program's folder belongs to the system and cannot hold the
  // list: the user's own data folder takes its place, as set-up makes it.
  const std::string userFolder = setup::DefaultDataFolder();
  if (access(programFolder.c_str(), W_OK) != 0 && !userFolder.empty()) {
    std::string failedStep;
    result.path = userFolder;
    result.settingError = setup::UseDataFolder(userFolder, &failedStep);
    return result;
  }
  result.path = programFolder;
  result.settingError = platform::settings::SetValue(kDirectoriesKey, kDataDirValue, programFolder);
  return result;
}

}  // namespace desktop
