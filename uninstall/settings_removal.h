// Removing Vellamore's settings: the "Directories" and "Parameters" groups
// of Software\Olvenmark\Vellamore, then that key itself (its .conf file and
// any folder of that name), then the maker's key Software\Olvenmark when no
// other product's settings are left in it.
#pragma once

namespace uninstall {

void RemoveVellamoreSettings();

}  // namespace uninstall
