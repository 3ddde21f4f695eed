// File IDs of the sending of listed files: lookups by ID in constant time
// and the choice of the ID of a new copy.
#include "transfer/file_id_table.h"

#include "crt/crand.h"

namespace conduit::transfer {

FileIdTable::FileIdTable(const HandheldFileIndex& index, const store::FileListStore& fileList)
    : m_index(index),
      m_used(kIdCount, false),
      m_entriesWith(kIdCount, 0),
      m_onHandheld(kIdCount, false) {
  const auto& elements = index.Elements();
  for (size_t position = 0; position < elements.size(); ++position) {
    Add(elements[position].FileId(), position);
  }
  for (const auto& entry : fileList.Entries()) {
    if (m_entriesWith[entry.id] < 2) ++m_entriesWith[entry.id];
    MarkUsed(entry.id);
  }
  // 0 is the file ID of the files fetched on request.
  MarkUsed(0);
}

const HandheldFileIndex::Element* FileIdTable::FirstWith(uint16_t id) const {
  auto found = m_first.find(id);
  return found == m_first.end() ? nullptr : &m_index.Elements()[found->second];
}

std::optional<uint16_t> FileIdTable::IdForNewCopy(uint16_t ownId) {
  if (ownId != 0 && !m_onHandheld[ownId] && m_entriesWith[ownId] <= 1) return ownId;
  return DrawNewId();
}

void FileIdTable::Add(uint16_t id, size_t position) {
  m_first.try_emplace(id, position);
  m_onHandheld[id] = true;
  MarkUsed(id);
}

std::optional<uint16_t> FileIdTable::DrawNewId() const {
  if (m_usedDrawable <= static_cast<size_t>(platform::kCRandMax)) {
    for (;;) {
      auto id = static_cast<uint16_t>(platform::CRand());
      if (!m_used[id]) return id;
    }
  }
  for (size_t id = platform::kCRandMax + 1; id < kIdCount; ++id) {
    if (!m_used[id]) return static_cast<uint16_t>(id);
  }
  return std::nullopt;
}

void FileIdTable::MarkUsed(uint16_t id) {
  if (m_used[id]) return;
  m_used[id] = true;
  if (id <= platform::kCRandMax) ++m_usedDrawable;
}

}  // namespace conduit::transfer
