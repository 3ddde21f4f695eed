// The main view's store image: load, save and the user's changes.
#include "store_image.h"

namespace desktop {

std::string StoreImage::StorePath() const {
  return store::FileListStore::PathIn(m_dataDirectory);
}

std::vector<ListChange> StoreImage::Load() {
  // Entries kept from a file that could not be read hold the changes
  // already.
  if (!m_store.Load(StorePath(), store::FileListStore::MissingStore::kDefaultHeader)) return {};
  std::vector<ListChange> dropped;
  std::vector<ListChange> kept;
  for (ListChange& change : m_unwritten) {
    (ApplyChange(change, m_store) ? kept : dropped).push_back(std::move(change));
  }
  m_unwritten = std::move(kept);
  return dropped;
}

int StoreImage::Save() {
  int error = m_store.Save(StorePath());
  if (error == 0) m_unwritten.clear();
  return error;
}

bool StoreImage::Apply(ListChange change) {
  if (!ApplyChange(change, m_store)) return false;
  m_unwritten.push_back(std::move(change));
  return true;
}

}  // namespace desktop
