// ListChange: one change the user made to the list (an entry added, deleted
// or given new settings), kept as what it does to the entry of one ID. A
// HotSync or a command-line writer may rewrite "Vellamore.dat" between the
// user's question and the save; the program then applies its changes again
// to the list as that writer left it, so nothing the other writer did is
// overwritten.
#pragma once

#include <cstdint>

#include "file_list_store.h"

namespace desktop {

struct ListChange {
  enum class Kind { kAdd, kDelete, kEditSettings };

  // A new entry appended at the end of the list.
  static ListChange Add(store::FileListEntry entry);
  // The entry of `id` removed.
  static ListChange Delete(uint16_t id);
  // The settings the details dialog edits (user, category, action, private
  // flag, format) that differ between `before` and `after`, set on the entry
  // of their ID; every other field stays as the list has it.
  static ListChange EditSettings(const store::FileListEntry& before,
                                 const store::FileListEntry& after);

  uint16_t Id() const { return after.id; }

  Kind kind = Kind::kAdd;
  store::FileListEntry before;  // kEditSettings: the entry the dialog opened on
  store::FileListEntry after;   // kAdd: the new entry; else its ID and settings
};

// Applies the change to the list. An added entry whose ID another writer has
// taken meanwhile gets a new one (kept in the change). False, and the list
// unchanged, when the entry a delete or an edit names is not in the list.
bool ApplyChange(ListChange& change, store::FileListStore& list);

}  // namespace desktop
