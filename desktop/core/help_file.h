// The program's help: "Vellamore.hlp" in the data directory, an HTML page
// written for this program, which the help window shows from its contents.
#pragma once

#include <optional>
#include <string>

namespace desktop {

// The help page's text; nothing when the file cannot be read.
std::optional<std::string> ReadHelpFile(const std::string& path);

}  // namespace desktop
