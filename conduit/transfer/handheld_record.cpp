// Completing and writing HandheldFileRecords.
#include "transfer/handheld_record.h"

#include "handheld_records.h"  // records/
#include "syncmgr/syncmgr.h"

namespace conduit::transfer {

bool IsWritableRecord(const std::vector<uint8_t>& record) {
  return record.size() >= records::file_record::kHeadSize &&
         record.size() <= records::file_record::kMaxRecordSize;
}

void SetFileId(std::vector<uint8_t>& record, uint16_t fileId) {
  records::ChangeFileHead(record,
                          [fileId](records::HandheldFileHead& head) { head.fileId = fileId; });
}

void SetSentStamp(std::vector<uint8_t>& record, const store::HandheldDateTime& sent) {
  records::ChangeFileHead(record, [&sent](records::HandheldFileHead& head) { head.sent = sent; });
}

store::HandheldDateTime RestampToMinute(const store::HandheldDateTime& stamp, time_t pcTime) {
  store::HandheldDateTime result = store::HandheldDateTime::FromPcTime(pcTime, false);
  result.bytes[6] = stamp.bytes[6];
  result.bytes[7] = 0;
  return result;
}

int32_t WriteNewRecord(uint8_t handle, std::vector<uint8_t>& record, uint8_t attributes,
                       uint8_t category, uint32_t* newRecordId) {
  CRawRecordInfo info{};
  info.m_FileHandle = handle;
  info.m_RecId = 0;
  info.m_Attribs = attributes;
  info.m_CatId = category;
  info.m_RecSize = static_cast<uint32_t>(record.size());
  info.m_TotalBytes = static_cast<uint16_t>(record.size());
  info.m_pBytes = record.data();
  const int32_t result = SyncWriteRec(&info);
  if (result == kSyncErrNone && newRecordId != nullptr) *newRecordId = info.m_RecId;
  return result;
}

}  // namespace conduit::transfer
