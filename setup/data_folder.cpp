// Reading and writing the "DataDir" setting for set-up and the launcher.
#include "data_folder.h"

#include <cerrno>
#include <cstdlib>

#include "fs/fs.h"
#include "program_names.h"  // store/
#include "settings/settings.h"

namespace setup {
namespace {

using store::kDataDirValue;
using store::kDirectoriesKey;

constexpr char kFolderName[] = "Vellamore";

bool IsFolder(const std::string& path) {
  std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
  return status && status->isDirectory;
}

}  // namespace

std::optional<std::string> ConfiguredDataFolder() {
  std::optional<std::string> value = platform::settings::QueryValue(kDirectoriesKey, kDataDirValue);
  if (!value || value->empty() || !IsFolder(*value)) return std::nullopt;
  return value;
}

std::string DefaultDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/" + kFolderName;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    return std::string(home) + "/.local/share/" + kFolderName;
  }
  return {};
}

int UseDataFolder(const std::string& folder, std::string* failedStep) {
  if (folder.empty()) {
    *failedStep = "no data directory is known (neither XDG_DATA_HOME nor HOME is set)";
    return ENOENT;
  }
  if (int error = platform::MakeFolders(folder, 0700); error != 0) {
    *failedStep = "cannot create the data directory " + folder;
    return error;
  }
  if (int error = platform::settings::SetValue(kDirectoriesKey, kDataDirValue, folder)) {
    *failedStep = "cannot write the setting DataDir";
    return error;
  }
  return 0;
}

std::string OwnFolder() {
  return platform::FolderOfRunningProgram();
}

}  // namespace setup
