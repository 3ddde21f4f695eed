// The main view's store image: load, save and removal by ID.
#include "store_image.h"

#include <algorithm>

namespace desktop {

std::string StoreImage::StorePath() const {
  return store::FileListStore::PathIn(m_dataDirectory);
}

std::string StoreImage::HelpPath() const {
  return m_dataDirectory + "/" + kHelpFileName;
}

void StoreImage::Load() {
  m_store.Load(StorePath(), store::FileListStore::MissingStore::kDefaultHeader);
}

int StoreImage::Save() const {
  return m_store.Save(StorePath());
}

bool StoreImage::RemoveById(uint16_t id) {
  auto& entries = m_store.Entries();
  auto found = std::find_if(entries.begin(), entries.end(),
                            [id](const store::FileListEntry& entry) { return entry.id == id; });
  if (found == entries.end()) return false;
  entries.erase(found);
  return true;
}

}  // namespace desktop
