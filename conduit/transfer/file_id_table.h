// The file IDs that the sending of listed files works with: which handheld
// record an entry's earlier copy is, and which IDs a new copy may take. A
// new copy never takes the ID of a record on the handheld or of another
// entry, so no two entries ever share a record; it keeps the entry's own ID
// whenever that ID is free on this handheld, so one entry goes to every
// handheld of its users under one ID and each copy is replaced in turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "file_list_store.h"  // store/
#include "handheld_file_index.h"

namespace conduit::transfer {

class FileIdTable {
 public:
  FileIdTable(const HandheldFileIndex& index, const store::FileListStore& fileList);

  // The first index element with `id`; nullptr when none has it.
  const HandheldFileIndex::Element* FirstWith(uint16_t id) const;

  // The ID for a new copy of an entry whose ID is `ownId`: `ownId` itself
  // when no record and no other entry has it, otherwise a value of the C
  // library's generator drawn until it is free (should every value it can
  // give be taken, the lowest free ID above them). None when every ID is
  // taken.
  std::optional<uint16_t> IdForNewCopy(uint16_t ownId);

  // Records that `id` now names the index element at `position`.
  void Add(uint16_t id, size_t position);

 private:
  static constexpr size_t kIdCount = 65536;

  std::optional<uint16_t> DrawNewId() const;
  void MarkUsed(uint16_t id);

  const HandheldFileIndex& m_index;
  std::unordered_map<uint16_t, size_t> m_first;
  std::vector<bool> m_used;            // by a record, an entry or the fetch
  std::vector<uint8_t> m_entriesWith;  // how many entries have each ID (2 = two or more)
  std::vector<bool> m_onHandheld;
  size_t m_usedDrawable = 0;
};

}  // namespace conduit::transfer
