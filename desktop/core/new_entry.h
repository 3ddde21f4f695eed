// Building the store entry for a PC file the user has just chosen: the
// defaults of a new entry and what the file system says about the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "file_list_entry.h"

namespace desktop {

// Longest texts the store's fields hold, their NUL not counted.
inline constexpr size_t kMaxTitleLength = store::FileListEntry::kTitleSize - 1;  // 39
inline constexpr size_t kMaxPathLength = store::FileListEntry::kPathSize - 1;    // 127
inline constexpr size_t kMaxUserLength = store::FileListEntry::kUserSize - 1;    // 39

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string CutText(std::string_view text, size_t maxBytes);

// Replaces the first "%s" of `pattern` with `argument`.
std::string WithArgument(std::string_view pattern, std::string_view argument);

struct NewEntryRequest {
  uint16_t id = 0;
  std::string title;  // cut to 39 characters
  std::string path;   // must fit the path field (see kMaxPathLength)
  std::string user;   // the User filter's text
  uint16_t format = store::kFormatHandheld;
  uint16_t category = 0;
};

// A new PC entry: action If Changed, changed 1, never sent, private 0, and
// the size, creation and modification times of the file at the path (local
// time, no seconds). Nothing when the file's status cannot be read. A size
// beyond 32 bits reads as the largest one, so it still counts as too big
// for one record.
std::optional<store::FileListEntry> BuildNewEntry(const NewEntryRequest& request);

}  // namespace desktop
