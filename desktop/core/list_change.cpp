// The user's changes to the list, applied by entry ID.
#include "list_change.h"

#include <algorithm>

namespace desktop {
namespace {

// Sets `field` of `target` when the user changed it in the dialog.
template <typename Field>
void TakeIfEdited(Field store::FileListEntry::*field, const ListChange& change,
                  store::FileListEntry& target) {
  if (change.before.*field != change.after.*field) target.*field = change.after.*field;
}

bool RemoveById(std::vector<store::FileListEntry>& entries, uint16_t id) {
  auto found = std::find_if(entries.begin(), entries.end(),
                            [id](const store::FileListEntry& entry) { return entry.id == id; });
  if (found == entries.end()) return false;
  entries.erase(found);
  return true;
}

}  // namespace

ListChange ListChange::Add(store::FileListEntry entry) {
  ListChange change;
  change.kind = Kind::kAdd;
  change.after = std::move(entry);
  return change;
}

ListChange ListChange::Delete(uint16_t id) {
  ListChange change;
  change.kind = Kind::kDelete;
  change.after.id = id;
  return change;
}

ListChange ListChange::EditSettings(const store::FileListEntry& before,
                                    const store::FileListEntry& after) {
  ListChange change;
  change.kind = Kind::kEditSettings;
  change.before = before;
  change.after = after;
  change.after.id = before.id;
  return change;
}

bool ApplyChange(ListChange& change, store::FileListStore& list) {
  switch (change.kind) {
    case ListChange::Kind::kAdd:
      if (list.FindById(change.after.id) != nullptr) change.after.id = list.NewId();
      list.Append(change.after);
      return true;
    case ListChange::Kind::kDelete:
      return RemoveById(list.Entries(), change.Id());
    case ListChange::Kind::kEditSettings:
      break;
  }
  store::FileListEntry* target = list.FindById(change.Id());
  if (target == nullptr) return false;
  TakeIfEdited(&store::FileListEntry::user, change, *target);
  TakeIfEdited(&store::FileListEntry::category, change, *target);
  TakeIfEdited(&store::FileListEntry::action, change, *target);
  TakeIfEdited(&store::FileListEntry::isPrivate, change, *target);
  TakeIfEdited(&store::FileListEntry::format, change, *target);
  return true;
}

}  // namespace desktop
