// The names the data directory uses for itself beside the files received
// from the handheld: the file list "Vellamore.dat", its lock
// ".Vellamore.dat.lock", the temporary files of its saves
// (".Vellamore.dat." and six letters or digits) and the help page
// "Vellamore.hlp". A received file never takes one of them: it would be
// read as the list or the help, or deleted as a leftover temporary.
#pragma once

#include <string_view>

#include "file_list_store.h"

namespace store {

inline constexpr char kHelpFileName[] = "Vellamore.hlp";

// True for a name the data directory keeps for itself: "Vellamore.dat",
// "Vellamore.hlp", or ".Vellamore.dat." followed by a suffix without a dot
// (the lock and every temporary). Names are compared byte for byte, as the
// file system tells names apart.
inline bool IsDataDirectoryOwnName(std::string_view name) {
  constexpr std::string_view kList = FileListStore::kFileName;
  if (name == kList || name == kHelpFileName) return true;
  if (name.size() < kList.size() + 2 || name[0] != '.' || name.substr(1, kList.size()) != kList ||
      name[kList.size() + 1] != '.') {
    return false;
  }
  return name.substr(kList.size() + 2).find('.') == std::string_view::npos;
}

}  // namespace store
