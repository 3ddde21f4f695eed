// Vellamore's data directory for the current user, as set-up and the
// launcher choose it: the folder named by the setting "DataDir" (under
// Software\Olvenmark\Vellamore\Directories), by default
// $XDG_DATA_HOME/Vellamore (~/.local/share/Vellamore).
#pragma once

#include <optional>
#include <string>

namespace setup {

// The folder "DataDir" names, when it names an existing folder.
std::optional<std::string> ConfiguredDataFolder();

// $XDG_DATA_HOME/Vellamore, or ~/.local/share/Vellamore when XDG_DATA_HOME
// is unset or not absolute; "" when there is no home folder either.
std::string DefaultDataFolder();

// Creates `folder` (and its parents) and writes it to "DataDir". Returns 0
// or the errno of the step that failed; `*failedStep` says which.
int UseDataFolder(const std::string& folder, std::string* failedStep);

// The folder of the running program; "" when unknown.
std::string OwnFolder();

}  // namespace setup
