// The uninstaller's texts: its string resources, looked up by identifier as
// the library's own constant table, and the fixed names and messages of the
// uninstallation.
#pragma once

#include <cstdint>
#include <string_view>

namespace uninstall {

enum StringId : uint32_t {
  kIdsHotSyncRunning = 205,  // message text when the HotSync Manager is found
  kIdsHotSyncCaption = 206,  // caption of that message
  kIdsHotSyncClass = 208,    // window class of the HotSync Manager's main window
};

// The resource `id`, at most kStringBufferSize - 1 characters as the
// resource buffer holds; "" for an identifier the table does not have.
std::string_view LoadUninstallString(uint32_t id);
inline constexpr size_t kStringBufferSize = 255;

inline constexpr char kConduitManagerFileName[] = "condmgr.so";
// The HotSync Manager's program, beside its libraries.
inline constexpr char kHotSyncProgramFileName[] = "hotsync";
inline constexpr char kFolderOption[] = "-c";
inline constexpr char kRestartArgument[] = "-r";

inline constexpr uint32_t kShutDownMessage = 0xBEC5;
inline constexpr int16_t kHotSyncProgramPathKind = 2;

inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kRemoveCaption[] = "Remove";
inline constexpr char kCannotLoadInstallAide[] = "Could not load Instaide.dll.";
inline constexpr char kNoPltGetPath[] = "Error getting PltGetPath()";
inline constexpr char kNoPalmDirectory[] = "Unable to locate the Palm directory";
inline constexpr char kCannotLoadConduitManager[] = "Could not load CondMgr.dll.";
inline constexpr char kNoCmGetCreatorName[] = "Can't find CmGetCreatorName";
inline constexpr char kNoCmRemoveConduit[] = "Can't find CmRemoveConduitByCreatorID";
inline constexpr char kCannotLaunchHotSync[] = "Could not launch HotSync.";

}  // namespace uninstall
