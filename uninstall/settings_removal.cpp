// The registry steps of the uninstallation, on the settings files.
#include "settings_removal.h"

#include <cerrno>
#include <cstring>

#include "fs/fs.h"
#include "message_box.h"
#include "program_names.h"  // store/
#include "settings/settings.h"
#include "uninstall_strings.h"

namespace uninstall {
namespace {

namespace settings = platform::settings;

using store::kMakerKey;
using store::kProgramKey;
constexpr const char* kProgramSubKeys[] = {store::kDirectoriesSubKey, store::kParametersSubKey};

// Deletes `key`; a key that is there and stays is reported, one that was
// never there is not.
void DeleteSettingsKey(const std::string& key) {
  const int error = settings::DeleteKey(key);
  if (error != 0 && error != ENOENT) {
    ShowMessageBox(kErrorCaption,
                   "Could not remove the settings " + key + ": " + std::strerror(error));
  }
}

}  // namespace

void RemoveVellamoreSettings() {
  if (settings::KeyExists(kProgramKey)) {
    for (const char* subKey : kProgramSubKeys) {
      DeleteSettingsKey(std::string(kProgramKey) + "\\" + subKey);
    }
  }
  if (!settings::KeyExists(kMakerKey)) return;
  DeleteSettingsKey(kProgramKey);
  if (!settings::EnumKeys(kMakerKey).empty()) return;
  DeleteSettingsKey(kMakerKey);
}

bool VellamoreSettingsRemain() {
  return !settings::EnumValues(kProgramKey).empty() || !settings::EnumKeys(kProgramKey).empty() ||
         platform::PathExists(VellamoreSettingsFile());
}

std::string VellamoreSettingsFile() {
  return settings::FileOfKey(kProgramKey);
}

}  // namespace uninstall
