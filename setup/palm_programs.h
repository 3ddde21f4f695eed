// The HotSync Manager's programs as set-up uses them, run from the Palm
// directory (the folder of set-up's own programs): condcfg registers the
// conduit, uninst runs the uninstaller. vellamore-setup and the launcher
// register the conduit through the same call.
#pragma once

#include <string>

namespace setup {

struct PalmStep {
  bool succeeded = false;
  std::string messages;  // what the program wrote to its standard error
  std::string failure;   // when it failed: "<program> exited with status 1" and the like
};

// The conduit library in `palmFolder`.
std::string ConduitPath(const std::string& palmFolder);

// Registers the conduit in `palmFolder` under the conduit's creator ID. A registration
// made before keeps its HotSync action and gets this library.
PalmStep RegisterConduit(const std::string& palmFolder);

// True when a conduit is registered under the conduit's creator ID, whatever its library.
bool ConduitRegistered();

// Runs the uninstaller with the HotSync Manager's libraries in `palmFolder`.
PalmStep RunUninstaller(const std::string& palmFolder);

}  // namespace setup
