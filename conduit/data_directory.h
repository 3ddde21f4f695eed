// The data directory: the folder that holds "Vellamore.dat", the help file
// and the files received from the handheld. The desktop program and the
// conduit find it through the same setting, "DataDir" under
// "Software\Olvenmark\Vellamore\Directories".
#pragma once

#include <optional>
#include <string>

#include "program_names.h"  // store/

namespace conduit {

using store::kDataDirValue;
using store::kDirectoriesKey;

// The data directory; nothing when the setting is missing, unreadable or
// empty (an empty name would put the conduit's files into the root folder).
std::optional<std::string> ReadDataDirectory();

}  // namespace conduit
