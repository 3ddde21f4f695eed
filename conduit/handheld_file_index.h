// HandheldFileIndex: the conduit's picture of "VlmrFilesDB" as it was when the
// synchronisation began, one element per record in record-index order. The
// sending of listed files judges by it whether a file changed since it was
// sent and which handheld record an earlier copy is, and new file IDs are
// drawn so that they clash with no element.
//
// The index is loaded once per synchronisation, before any request runs, and
// only grows during it: an element appended for a newly drawn file ID holds
// that ID and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "handheld_date_time.h"  // store/
#include "handheld_records.h"    // records/

namespace conduit {

struct HandheldFileIndexElement {
  // How much of each record is read: the head and one byte more.
  static constexpr size_t kHeadSize = records::file_record::kIndexHeadSize;  // 202

  // The record's head; a record shorter than a head reads as if it were
  // padded with zeros.
  records::HandheldFileHead head;
  // The Sync Manager's unique ID of the record.
  uint32_t recordId = 0;
  // The record's attributes: 0x40 dirty, 0x10 secret.
  uint8_t attributes = 0;

  uint16_t FileId() const { return head.fileId; }
  uint32_t Size() const { return head.size; }
  store::HandheldDateTime Modified() const { return head.modified; }
  // Changed on the handheld since the last HotSync.
  bool IsDirty() const;

  // An element for the first bytes of a record as read from the handheld.
  static HandheldFileIndexElement FromRecord(std::span<const uint8_t> record, uint32_t recordId,
                                             uint8_t attributes);
  // An element that holds only a file ID, everything else zero.
  static HandheldFileIndexElement WithFileId(uint16_t fileId);
};

class HandheldFileIndex {
 public:
  using Element = HandheldFileIndexElement;

  // Empties the index and fills it from "VlmrFilesDB" (opened read-only with
  // secret records shown). A database that cannot be opened leaves the index
  // empty without a message; a record count that cannot be read is logged as
  // "Couldn't read Files database" and leaves it empty; a record that cannot
  // be read is skipped; a failed close is logged as "SyncCloseDB failed".
  void Load();

  void Clear() { m_elements.clear(); }
  const std::vector<Element>& Elements() const { return m_elements; }
  size_t Size() const { return m_elements.size(); }
  bool Empty() const { return m_elements.empty(); }

  // The first element in list order with `fileId`; nullptr when none has it.
  const Element* FindByFileId(uint16_t fileId) const;
  bool ContainsFileId(uint16_t fileId) const { return FindByFileId(fileId) != nullptr; }

  // Adds an element holding only `fileId`, for a file ID drawn during the
  // synchronisation.
  void AppendFileId(uint16_t fileId) { m_elements.push_back(Element::WithFileId(fileId)); }
  void Append(const Element& element) { m_elements.push_back(element); }

 private:
  std::vector<Element> m_elements;
};

}  // namespace conduit
