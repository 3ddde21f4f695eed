// The record calls: read by index, write, delete and the category walk.
// Each checks the request and the handle's open mode, then asks the handheld
// of the HotSync; reads copy at most the caller's buffer.
#include <cstring>

#include "pdb/palm_database.h"
#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::CallScope;
using platform::syncmgr::CodeOf;
using platform::syncmgr::HandheldRecord;
using platform::syncmgr::OpenedDatabase;

namespace {

// The largest record the handheld can hold.
constexpr uint32_t kMaxRecordSize = 0xFFFF;

// The handle named by `record` when it can take a record call: open, on a
// record database; sets `*result` otherwise.
std::optional<OpenedDatabase> RecordHandle(const CallScope& call, const CRawRecordInfo* record,
                                           int32_t* result) {
  if (record == nullptr) {
    *result = kSyncErrBadArgument;
    return std::nullopt;
  }
  std::optional<OpenedDatabase> opened = call.Handheld().Opened(record->m_FileHandle);
  *result = !opened ? kSyncErrBadHandle : opened->resource ? kSyncErrBadArgument : kSyncErrNone;
  return *result == kSyncErrNone ? opened : std::nullopt;
}

bool HasReadBuffer(const OpenedDatabase& opened, const CRawRecordInfo& record) {
  return opened.CanRead() && (record.m_pBytes != nullptr || record.m_TotalBytes == 0);
}

// Copies a record read (already cut to the caller's buffer) into the
// request and describes it.
void CopyOut(const HandheldRecord& read, CRawRecordInfo& record) {
  if (!read.data.empty()) std::memcpy(record.m_pBytes, read.data.data(), read.data.size());
  record.m_RecSize = static_cast<uint32_t>(read.data.size());
  record.m_RecId = read.id;
  record.m_RecIndex = read.index;
  record.m_Attribs = read.attributes;
  record.m_CatId = static_cast<int16_t>(read.category);
}

// The record a write asks for. A record written from the PC is neither
// deleted nor busy (nor archived, which only a deleted or busy one is).
HandheldRecord RecordToWrite(const CRawRecordInfo& record) {
  HandheldRecord write;
  write.id = record.m_RecId;
  write.attributes = record.m_Attribs & (kRecAttrDirty | kRecAttrSecret);
  write.category = static_cast<uint8_t>(record.m_CatId & kRecCategoryMask);
  if (record.m_RecSize > 0) write.data.assign(record.m_pBytes, record.m_pBytes + record.m_RecSize);
  return write;
}

}  // namespace

extern "C" {

int32_t SyncReadRecordByIndex(CRawRecordInfo* record) {
  const CallScope call("SyncReadRecordByIndex");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = RecordHandle(call, record, &result);
  if (!opened) return result;
  if (!HasReadBuffer(*opened, *record)) return kSyncErrBadArgument;
  const auto read = call.Handheld().ReadRecordByIndex(record->m_FileHandle, record->m_RecIndex,
                                                      record->m_TotalBytes);
  if (!read) return CodeOf(read);
  CopyOut(*read, *record);
  return kSyncErrNone;
}

int32_t SyncWriteRec(CRawRecordInfo* record) {
  const CallScope call("SyncWriteRec");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = RecordHandle(call, record, &result);
  if (!opened) return result;
  if (!opened->CanWrite()) return kSyncErrReadOnly;
  if (record->m_RecSize > kMaxRecordSize || record->m_RecId > platform::pdb::kMaxUniqueId ||
      (record->m_pBytes == nullptr && record->m_RecSize > 0)) {
    return kSyncErrBadArgument;
  }
  const auto id = call.Handheld().WriteRecord(record->m_FileHandle, RecordToWrite(*record));
  if (!id) return CodeOf(id);
  record->m_RecId = *id;
  return kSyncErrNone;
}

int32_t SyncDeleteRec(CRawRecordInfo* record) {
  const CallScope call("SyncDeleteRec");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = RecordHandle(call, record, &result);
  if (!opened) return result;
  if (!opened->CanWrite()) return kSyncErrReadOnly;
  if (record->m_RecId == 0) return kSyncErrNoRecord;  // no record has ID 0
  return CodeOf(call.Handheld().DeleteRecord(record->m_FileHandle, record->m_RecId));
}

int32_t SyncResetRecordIndex(uint8_t handle) {
  const CallScope call("SyncResetRecordIndex");
  if (call.Refused() != 0) return call.Refused();
  return CodeOf(call.Handheld().ResetRecordIndex(handle));
}

int32_t SyncReadNextRecInCategory(CRawRecordInfo* record) {
  const CallScope call("SyncReadNextRecInCategory");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = RecordHandle(call, record, &result);
  if (!opened) return result;
  if (!HasReadBuffer(*opened, *record)) return kSyncErrBadArgument;
  // Categories are 0 to 15; any other number has no records.
  if (record->m_CatId < 0 || record->m_CatId > kRecCategoryMask) return kSyncErrNoRecord;
  const auto read = call.Handheld().ReadNextRecordInCategory(
      record->m_FileHandle, static_cast<uint8_t>(record->m_CatId), record->m_TotalBytes);
  if (!read) return CodeOf(read);
  CopyOut(*read, *record);
  return kSyncErrNone;
}

}  // extern "C"
