// The program's help: "Vellamore.hlp", an HTML page written for this
// program, which the help window shows from its contents. It is looked for
// in the data directory first, then beside the program, where the
// installation puts it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data_directory_names.h"  // store/

namespace desktop {

using store::kHelpFileName;

// The help page's text; nothing when the file cannot be read.
std::optional<std::string> ReadHelpFile(const std::string& path);

// Where the help page is looked for, in order: the data directory, then the
// program's folder (once when they are the same).
std::vector<std::string> HelpFilePlaces(const std::string& dataDirectory,
                                        const std::string& programFolder);

}  // namespace desktop
