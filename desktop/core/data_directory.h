// The data directory: the folder that holds "Vellamore.dat", the help file
// and the files received from the handheld. It is named by the setting
// "DataDir" under "Software\Olvenmark\Vellamore\Directories", which the
// conduit reads too. When the setting is missing, empty or names no folder,
// the program's own folder takes its place and is written back at once.
#pragma once

#include <string>

namespace desktop {

inline constexpr char kDirectoriesKey[] = "Software\\Olvenmark\\Vellamore\\Directories";
inline constexpr char kDataDirValue[] = "DataDir";

struct DataDirectory {
  std::string path;       // as read, or the program's folder
  bool replaced = false;  // the setting was replaced by the program's folder
  int settingError = 0;   // when replaced: 0, or the error of writing the setting
};

// True when `value`, with one trailing '/' removed, names an existing folder.
bool DataFolderExists(const std::string& value);

// Reads "DataDir" and falls back to `programFolder` (stored at once).
DataDirectory ResolveDataDirectory(const std::string& programFolder);

}  // namespace desktop
