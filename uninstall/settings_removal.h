// Removing Vellamore's settings: the "Directories" and "Parameters" groups
// of Software\Olvenmark\Vellamore, then that key itself (its .conf file,
// and the settings files in any folder of that name), then the maker's key
// Software\Olvenmark when no other product's settings are left in it.
// Files that are not settings, and links, stay where they are.
#pragma once

#include <string>

namespace uninstall {

void RemoveVellamoreSettings();

// True while any of Vellamore's settings can still be read, or their file
// is still there.
bool VellamoreSettingsRemain();

// The file that holds Vellamore's settings.
std::string VellamoreSettingsFile();

}  // namespace uninstall
