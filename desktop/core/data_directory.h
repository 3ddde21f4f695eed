// The data directory: the folder that holds "Vellamore.dat", the help file
// and the files received from the handheld. It is named by the setting
// "DataDir" under "Software\Olvenmark\Vellamore\Directories", which the
// conduit reads too. When the setting is missing, empty or names no folder,
// the program's own folder takes its place and is written back at once; an
// installed program, whose folder the user cannot write to, takes the
// user's $XDG_DATA_HOME/Vellamore instead (created first).
#pragma once

#include <string>

#include "program_names.h"  // store/

namespace desktop {

using store::kDataDirValue;
using store::kDirectoriesKey;

struct DataDirectory {
  std::string path;       // as read, or the folder that replaced it
  bool replaced = false;  // the setting was replaced by a fallback folder
  int settingError = 0;   // when replaced: 0, or the error of making or storing it
};

// True when `value`, with one trailing '/' removed, names an existing folder.
bool DataFolderExists(const std::string& value);

// Reads "DataDir" and falls back to `programFolder`, or to the user's data
// folder when `programFolder` cannot be written to (stored at once).
DataDirectory ResolveDataDirectory(const std::string& programFolder);

}  // namespace desktop
