// Where the HotSync Manager keeps its data: $HOTSYNC_HOME (default
// $XDG_DATA_HOME/HotSync, that is ~/.local/share/HotSync). It holds the
// conduit registrations ("conduits.ini") and one folder per HotSync user
// with the user's "HotSync.log" and install queue ("Install/").
//
// A user's folder is named after the user; the characters a folder name
// cannot carry are written as %XX ("/" as %2F, "%" as %25, and a leading
// "." as %2E so that no user becomes "." or ".." or a hidden folder).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotsync {

constexpr char kRegistrationFileName[] = "conduits.ini";
constexpr char kLogFileName[] = "HotSync.log";
constexpr char kInstallFolderName[] = "Install";

// The data folder; empty when neither HOTSYNC_HOME, XDG_DATA_HOME nor HOME
// gives one.
std::string HotSyncHome();

// Folder name of a user and back. UserOfFolderName gives nothing for a name
// that no user encodes to (a bad %XX, an empty name).
std::string FolderNameOfUser(std::string_view user);
std::optional<std::string> UserOfFolderName(std::string_view folderName);

// $HOTSYNC_HOME/<user>, its log and its install queue.
std::string UserFolder(const std::string& home, std::string_view user);
std::string UserLogPath(const std::string& home, std::string_view user);
std::string InstallQueueFolder(const std::string& home, std::string_view user);

// The HotSync users: every folder in `home` whose name decodes to a user,
// in byte order of the folder names.
std::vector<std::string> ListUsers(const std::string& home);

// Creates `path` and its missing parents (mode 0700 for new folders).
// Returns 0 or the errno of the step that failed.
int MakeFolders(const std::string& path);

}  // namespace hotsync
