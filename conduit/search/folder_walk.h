// The folder walk of the PC file search: lists a folder with a wildcard
// pattern, keeps the files that match (and, when a text is given, contain
// it), then descends into the sub-folders when asked. The matches of a
// folder come before those of its sub-folders; entries are taken in byte
// order of their names.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace conduit::search {

struct WalkRequest {
  std::string folder;  // "" is the root folder
  std::string pattern;
  bool includeSubFolders = false;
  std::optional<std::string> text;  // files must contain it when present
  // Called once before the sub-folders of each folder are walked, to give
  // time back to the HotSync Manager.
  std::function<void()> yield;
};

// Appends "<folder>/<name>" for every file found to `results`. Each folder
// (by device and inode) is walked once, by the first path that reaches it,
// so every file is listed once however many links lead to it; /proc, /sys
// and /dev are not entered unless the search starts inside them.
void WalkFolder(const WalkRequest& request, std::vector<std::string>& results);

// Joins a folder and a name with '/'; the root folder is "".
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace conduit::search
