// The record calls: read by index, write, delete and the category walk.
// Reads copy at most the caller's buffer; secret records stay hidden from a
// handle opened without kDbShowSecret; writes need a handle opened with
// kDbWrite and change the database in memory until it is closed.
#include <algorithm>
#include <cstring>

#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::CallScope;
using platform::syncmgr::LoadedDatabase;
using platform::syncmgr::OpenHandle;
namespace pdb = platform::pdb;

namespace {

// The largest record the handheld can hold.
constexpr uint32_t kMaxRecordSize = 0xFFFF;

// The handle named by `record` when it can take a record call: open, on a
// record database, with a usable buffer; sets `*result` otherwise.
OpenHandle* RecordHandle(const CRawRecordInfo* record, int32_t* result) {
  if (record == nullptr) {
    *result = kSyncErrBadArgument;
    return nullptr;
  }
  OpenHandle* open = platform::syncmgr::FindHandle(record->m_FileHandle);
  if (open == nullptr) {
    *result = kSyncErrBadHandle;
    return nullptr;
  }
  *result = open->loaded->database.IsResourceDatabase() ? kSyncErrBadArgument : 0;
  return *result == 0 ? open : nullptr;
}

bool HasReadBuffer(const OpenHandle& open, const CRawRecordInfo& record) {
  return open.CanRead() && (record.m_pBytes != nullptr || record.m_TotalBytes == 0);
}

bool IsVisible(const OpenHandle& open, const pdb::PalmRecord& record) {
  return open.ShowsSecret() || !record.IsSecret();
}

// Copies the record into the caller's buffer, cut to its size, and
// describes it.
void CopyOut(const pdb::PalmRecord& stored, size_t index, CRawRecordInfo& record) {
  const size_t copied = std::min<size_t>(stored.data.size(), record.m_TotalBytes);
  if (copied > 0) std::memcpy(record.m_pBytes, stored.data.data(), copied);
  record.m_RecSize = static_cast<uint32_t>(copied);
  record.m_RecId = stored.uniqueId;
  record.m_RecIndex = static_cast<uint16_t>(index);
  record.m_Attribs = static_cast<uint8_t>((stored.attributes & pdb::kRecordFlagMask) |
                                          (stored.IsArchived() ? kRecAttrArchived : 0));
  record.m_CatId = static_cast<int16_t>(stored.Category());
}

uint32_t NewUniqueId(LoadedDatabase& loaded) {
  if (!loaded.idsInUse) {
    loaded.idsInUse.emplace();
    for (const pdb::PalmRecord& stored : loaded.database.records) {
      loaded.idsInUse->insert(stored.uniqueId);
    }
  }
  return loaded.database.NextUniqueId(*loaded.idsInUse);
}

}  // namespace

extern "C" {

int32_t SyncReadRecordByIndex(CRawRecordInfo* record) {
  const CallScope call("SyncReadRecordByIndex");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const OpenHandle* open = RecordHandle(record, &result);
  if (open == nullptr) return result;
  if (!HasReadBuffer(*open, *record)) return kSyncErrBadArgument;
  const auto& records = open->loaded->database.records;
  const size_t index = record->m_RecIndex;
  if (index >= records.size() || !IsVisible(*open, records[index])) return kSyncErrNoRecord;
  CopyOut(records[index], index, *record);
  return kSyncErrNone;
}

int32_t SyncWriteRec(CRawRecordInfo* record) {
  const CallScope call("SyncWriteRec");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = RecordHandle(record, &result);
  if (open == nullptr) return result;
  if (!open->CanWrite()) return kSyncErrReadOnly;
  if (record->m_RecSize > kMaxRecordSize || record->m_RecId > pdb::kMaxUniqueId ||
      (record->m_pBytes == nullptr && record->m_RecSize > 0)) {
    return kSyncErrBadArgument;
  }
  LoadedDatabase& loaded = *open->loaded;
  auto& records = loaded.database.records;
  // A record written from the PC is neither deleted nor busy.
  const uint8_t flags =
      record->m_Attribs & pdb::kRecordFlagMask & ~(kRecAttrDeleted | kRecAttrBusy);
  pdb::PalmRecord stored{
      static_cast<uint8_t>(flags | (record->m_CatId & pdb::kRecordCategoryMask)), record->m_RecId,
      std::vector<uint8_t>(record->m_pBytes, record->m_pBytes + record->m_RecSize)};
  const auto existing =
      stored.uniqueId == 0 ? std::nullopt : loaded.database.FindRecord(stored.uniqueId);
  if (existing) {
    records[*existing] = std::move(stored);
    record->m_RecIndex = static_cast<uint16_t>(*existing);
  } else {
    if (records.size() >= pdb::kMaxEntries) return kSyncErrBadArgument;
    if (stored.uniqueId == 0) stored.uniqueId = NewUniqueId(loaded);
    if (loaded.idsInUse) loaded.idsInUse->insert(stored.uniqueId);
    record->m_RecId = stored.uniqueId;
    record->m_RecIndex = static_cast<uint16_t>(records.size());
    records.push_back(std::move(stored));
  }
  loaded.changed = true;
  return kSyncErrNone;
}

int32_t SyncDeleteRec(CRawRecordInfo* record) {
  const CallScope call("SyncDeleteRec");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = RecordHandle(record, &result);
  if (open == nullptr) return result;
  if (!open->CanWrite()) return kSyncErrReadOnly;
  LoadedDatabase& loaded = *open->loaded;
  const auto index = loaded.database.FindRecord(record->m_RecId);
  if (record->m_RecId == 0 || !index) return kSyncErrNoRecord;
  loaded.database.records.erase(loaded.database.records.begin() +
                                static_cast<std::ptrdiff_t>(*index));
  if (loaded.idsInUse) loaded.idsInUse->erase(record->m_RecId);
  loaded.changed = true;
  return kSyncErrNone;
}

int32_t SyncResetRecordIndex(uint8_t handle) {
  const CallScope call("SyncResetRecordIndex");
  if (call.Refused() != 0) return call.Refused();
  OpenHandle* open = platform::syncmgr::FindHandle(handle);
  if (open == nullptr) return kSyncErrBadHandle;
  open->walkPosition = 0;
  return kSyncErrNone;
}

int32_t SyncReadNextRecInCategory(CRawRecordInfo* record) {
  const CallScope call("SyncReadNextRecInCategory");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = RecordHandle(record, &result);
  if (open == nullptr) return result;
  if (!HasReadBuffer(*open, *record)) return kSyncErrBadArgument;
  // Categories are 0 to 15; any other number has no records.
  if (record->m_CatId < 0 || record->m_CatId > pdb::kRecordCategoryMask) return kSyncErrNoRecord;
  const auto& records = open->loaded->database.records;
  for (size_t index = open->walkPosition; index < records.size(); ++index) {
    const pdb::PalmRecord& stored = records[index];
    if (stored.IsDeleted() || !IsVisible(*open, stored) || stored.Category() != record->m_CatId) {
      continue;
    }
    open->walkPosition = index + 1;
    CopyOut(stored, index, *record);
    return kSyncErrNone;
  }
  open->walkPosition = records.size();
  return kSyncErrNoRecord;
}

}  // extern "C"
