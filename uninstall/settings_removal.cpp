// The registry steps of the uninstallation, on the settings files.
#include "settings_removal.h"

#include <cerrno>
#include <cstring>

#include "fs/fs.h"
#include "message_box.h"
#include "settings/settings.h"
#include "uninstall_strings.h"

namespace uninstall {
namespace {

namespace settings = platform::settings;

constexpr char kProgramKey[] = "Software\\Olvenmark\\Vellamore";
constexpr char kMakerKey[] = "Software\\Olvenmark";
constexpr char kMakerFolderName[] = "Olvenmark";
constexpr const char* kProgramSubKeys[] = {"Directories", "Parameters"};
constexpr char kProgramKeyName[] = "Vellamore";

// The maker's folder holds nothing at all: no other product's settings and
// no file that some other program keeps there.
bool MakerFolderIsEmpty() {
  const std::string folder = settings::ConfigRoot() + "/" + kMakerFolderName;
  return platform::ListDirectory(folder, "*").empty();
}

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
  DeleteSettingsKey(std::string(kMakerKey) + "\\" + kProgramKeyName);
  if (!settings::EnumKeys(kMakerKey).empty() || !MakerFolderIsEmpty()) return;
  DeleteSettingsKey(kMakerKey);
}

}  // namespace uninstall
