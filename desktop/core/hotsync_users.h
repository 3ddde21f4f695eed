// The HotSync users' names, asked of the Install Aide library that the
// HotSync software keeps in the program's folder ("instaide.so"). Where the
// library or its calls are missing there are no names, and the program's
// lists offer only "All".
#pragma once

#include <string>
#include <vector>

namespace desktop {

// The names of the HotSync users in the library's order. A name that the
// library cannot hand over in an 80-byte buffer is left out.
std::vector<std::string> ReadHotSyncUsers(const std::string& libraryPath);

}  // namespace desktop
