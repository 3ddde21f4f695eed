// What the PC File Details dialog shows for an entry and how its choices go
// back into the entry. The dialog itself only puts these texts into its
// controls and reads them back; every mapping between texts and codes is
// here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_list_store.h"

namespace desktop {

// Records on the handheld hold at most this many bytes of a PC-format file.
inline constexpr uint32_t kMaxRecordBytes = 64000;

// The dialog's name of a send action: "Always", "Don't Send", "One Time",
// and "If Changed" for any other value.
std::string ActionChoiceOf(uint16_t action);
// The action a name stands for, matched exactly; nothing for other texts.
std::optional<uint16_t> ActionOfChoice(std::string_view text);

struct PcFileDetailsTexts {
  std::string file, location, size, created, modified, lastDownloaded;
  std::vector<std::string> userItems;      // HotSync users, then "All"
  std::string userText;                    // the entry's own user
  std::vector<std::string> categoryItems;  // the non-empty labels, 0 to 15
  std::string categoryText;
  std::vector<std::string> actionItems;  // "If Changed", "One Time", "Always", "Don't Send"
  std::string actionText;
  bool isPrivate = false;
  bool pcFormat = false;
};

// The dialog's contents on opening. The User field shows the entry's own
// user text even when it is none of today's HotSync users (a user not
// synchronised lately, or one typed in): clearing it would stop the entry
// from ever being sent again. Category 0 always reads "Unfiled".
PcFileDetailsTexts DescribeForDetails(const store::FileListEntry& entry,
                                      const store::FileListStore::Header& header,
                                      const std::vector<std::string>& hotSyncUsers);

// The user's choices when OK is pressed.
struct PcFileDetailsChoice {
  std::string user, category, action;
  bool isPrivate = false;
  bool pcFormat = false;
};

// True when OK must first warn that only 64,000 bytes will be sent.
bool NeedsSizeWarning(const store::FileListEntry& entry, bool pcFormat);

// True when the user name fits the store's user field.
bool UserNameFits(std::string_view user);
// True when the user name is empty or only blanks: an entry of no user is
// sent to nobody.
bool UserNameIsBlank(std::string_view user);

// Writes the choices into the entry: the user as typed; the category by its
// label ("Unfiled" and unknown labels give 0); the action by its name
// (another text keeps the action); private and the format (3 for PC format,
// else 4). Title, path, size, stamps, kind, ID and changed stay.
void ApplyDetailsChoice(const PcFileDetailsChoice& choice,
                        const store::FileListStore::Header& header, store::FileListEntry& entry);

}  // namespace desktop
