// The handheld's search spec, such as "/home/ada/Documents/*.doc": a folder
// and a wildcard pattern in one text, separated by the last '/'. A ':' is an
// ordinary file-name character here.
#pragma once

#include <string>
#include <string_view>

namespace conduit::search {

struct SearchSpecParts {
  std::string folder;   // "" is the root folder
  std::string pattern;  // the whole spec when it holds no '/'
};

// Splits the spec at its last '/', which belongs to neither part.
SearchSpecParts SplitSearchSpec(std::string_view spec);

// The folder whose existence the search checks before it walks: the text
// before the last '/' found from the last character back to the second one,
// or "" (the root folder, never checked) when there is none.
std::string FolderToCheck(std::string_view spec);

// False only when the spec names a folder to check and nothing exists at it.
bool SearchFolderExists(std::string_view spec);

}  // namespace conduit::search
