// Splitting the search spec into folder and pattern, and the existence
// check of its folder.
#include "search/search_spec.h"

#include "fs/fs.h"

namespace conduit::search {

SearchSpecParts SplitSearchSpec(std::string_view spec) {
  size_t slash = spec.rfind('/');
  if (slash == std::string_view::npos) return {std::string(), std::string(spec)};
  return {std::string(spec.substr(0, slash)), std::string(spec.substr(slash + 1))};
}

std::string FolderToCheck(std::string_view spec) {
  size_t slash = spec.rfind('/');
  if (slash == std::string_view::npos || slash == 0) return {};
  return std::string(spec.substr(0, slash));
}

bool SearchFolderExists(std::string_view spec) {
  std::string folder = FolderToCheck(spec);
  return folder.empty() || platform::GetFileStatus(folder).has_value();
}

}  // namespace conduit::search
