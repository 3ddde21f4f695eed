// The names by which Vellamore's programs find each other: the settings the
// set-up writes and the conduit, the desktop program, vlmlist and the
// uninstaller read or remove, the creator ID the conduit is registered
// under with the HotSync Manager, and the file names of the conduit library
// and of the Install Aide.
// One table, so that the programs cannot drift apart.
#pragma once

namespace store {

// Settings keys, as the registry paths the platform's settings service maps
// to its files.
inline constexpr char kMakerKey[] = "Software\\Olvenmark";
inline constexpr char kProgramKey[] = "Software\\Olvenmark\\Vellamore";
inline constexpr char kDirectoriesSubKey[] = "Directories";
inline constexpr char kParametersSubKey[] = "Parameters";
inline constexpr char kDirectoriesKey[] = "Software\\Olvenmark\\Vellamore\\Directories";
inline constexpr char kParametersKey[] = "Software\\Olvenmark\\Vellamore\\Parameters";

// Values: the data directory under kDirectoriesKey; the programs that send
// mail and faxes, the time limit of one conversion step in seconds and the
// size of the conversion cache in megabytes (0: no cache), under
// kParametersKey.
inline constexpr char kDataDirValue[] = "DataDir";
inline constexpr char kMailProgramValue[] = "MailProgram";
inline constexpr char kFaxProgramValue[] = "FaxProgram";
inline constexpr char kConversionTimeLimitValue[] = "ConversionTimeLimit";
inline constexpr char kConversionCacheSizeValue[] = "ConversionCacheSize";

// The creator ID of the handheld application and its conduit, as text.
inline constexpr char kCreatorIdText[] = "Vlmr";
// The conduit library, as it lies in the Palm directory.
inline constexpr char kConduitFileName[] = "VellamoreCnd.so";
// The HotSync Manager's Install Aide beside it, which the conduit queues
// files with and the uninstaller finds the HotSync Manager through.
inline constexpr char kInstallAideFileName[] = "instaide.so";

}  // namespace store
