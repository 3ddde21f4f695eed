// Loading the HandheldFileIndex from "VlmrFilesDB" and looking elements up.
// Each record is read into a fresh 202-byte buffer, so a short record leaves
// zeros behind it, never the bytes of the record read before.
#include "handheld_file_index.h"

#include <algorithm>
#include <array>

#include "handheld_database.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit {

bool HandheldFileIndexElement::IsDirty() const {
  return (attributes & kRecAttrDirty) != 0;
}

HandheldFileIndexElement HandheldFileIndexElement::FromRecord(std::span<const uint8_t> record,
                                                              uint32_t recordId,
                                                              uint8_t attributes) {
  std::array<uint8_t, kHeadSize> padded{};
  std::copy_n(record.begin(), std::min(record.size(), kHeadSize), padded.begin());
  HandheldFileIndexElement element;
  element.head = records::HandheldFileHead::Decode(padded).value_or(records::HandheldFileHead{});
  element.recordId = recordId;
  element.attributes = attributes;
  return element;
}

HandheldFileIndexElement HandheldFileIndexElement::WithFileId(uint16_t fileId) {
  HandheldFileIndexElement element;
  element.head.fileId = fileId;
  return element;
}

void HandheldFileIndex::Load() {
  m_elements.clear();
  HandheldDatabase database;
  if (database.Open(records::kFilesDatabaseName, records::kOpenReadSecret) != kSyncErrNone) return;

  uint16_t count = 0;
  if (SyncGetDBRecordCount(database.Handle(), &count) != kSyncErrNone) {
    database.Close();
    LogWarning("Couldn't read Files database");
    return;
  }
  for (uint16_t index = 0; index < count; ++index) {
    std::array<uint8_t, Element::kHeadSize> buffer{};
    CRawRecordInfo record{};
    record.m_FileHandle = database.Handle();
    record.m_RecIndex = index;
    record.m_pBytes = buffer.data();
    record.m_TotalBytes = static_cast<uint16_t>(buffer.size());
    if (SyncReadRecordByIndex(&record) != kSyncErrNone) continue;
    const size_t copied = std::min<size_t>(record.m_RecSize, buffer.size());
    m_elements.push_back(
        Element::FromRecord(std::span(buffer).first(copied), record.m_RecId, record.m_Attribs));
  }
  if (database.Close() != kSyncErrNone) LogWarning("SyncCloseDB failed");
}

const HandheldFileIndex::Element* HandheldFileIndex::FindByFileId(uint16_t fileId) const {
  auto found = std::find_if(m_elements.begin(), m_elements.end(), [fileId](const Element& element) {
    return element.FileId() == fileId;
  });
  return found == m_elements.end() ? nullptr : &*found;
}

}  // namespace conduit
