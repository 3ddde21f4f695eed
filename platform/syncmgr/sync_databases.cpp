// The database calls: open, create and close, the record count, the
// application-info block and the two purges. Each checks its arguments and
// the handle's open mode, then asks the handheld of the HotSync.
#include <algorithm>
#include <cstring>

#include "bytes/bytes.h"
#include "pdb/palm_database.h"
#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::CallScope;
using platform::syncmgr::CodeOf;
using platform::syncmgr::OpenedDatabase;

namespace {

// The handle's open mode and kind; sets `*result` when it is not open.
std::optional<OpenedDatabase> FindOpened(const CallScope& call, uint8_t handle, int32_t* result) {
  std::optional<OpenedDatabase> opened = call.Handheld().Opened(handle);
  *result = opened ? kSyncErrNone : kSyncErrBadHandle;
  return opened;
}

// 0 when the handle is open with write access, else the code to return.
int32_t WritableHandle(const CallScope& call, uint8_t handle) {
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = FindOpened(call, handle, &result);
  if (!opened) return result;
  return opened->CanWrite() ? kSyncErrNone : kSyncErrReadOnly;
}

}  // namespace

extern "C" {

int32_t SyncOpenDB(const char* name, int32_t cardNo, uint8_t* handle, uint8_t openMode) {
  const CallScope call("SyncOpenDB");
  if (call.Refused() != 0) return call.Refused();
  if (name == nullptr || handle == nullptr) return kSyncErrBadArgument;
  if (cardNo < 0 || cardNo > UINT8_MAX) return kSyncErrNotFound;  // no handheld has that card
  const auto opened = call.Handheld().OpenDatabase(name, static_cast<uint8_t>(cardNo), openMode);
  if (!opened) return CodeOf(opened);
  *handle = *opened;
  return kSyncErrNone;
}

int32_t SyncCreateDB(CDbCreateDB* create) {
  const CallScope call("SyncCreateDB");
  if (call.Refused() != 0) return call.Refused();
  if (create == nullptr) return kSyncErrBadArgument;
  const auto* nameField = reinterpret_cast<const uint8_t*>(create->m_Name);
  platform::syncmgr::NewDatabase database;
  database.name = platform::FixedTextOf({nameField, sizeof create->m_Name});
  if (database.name.empty() || database.name.size() > platform::pdb::kMaxNameLength) {
    return kSyncErrBadArgument;
  }
  database.card = create->m_CardNo;
  database.creator = create->m_Creator;
  database.type = create->m_Type;
  database.flags = create->m_Flags;
  database.version = create->m_Version;
  const auto created = call.Handheld().CreateDatabase(database);
  if (!created) return CodeOf(created);
  create->m_FileHandle = *created;
  return kSyncErrNone;
}

int32_t SyncCloseDB(uint8_t handle) {
  const CallScope call("SyncCloseDB");
  if (call.Refused() != 0) {
    // A close that fails writes nothing back, as when the image cannot be
    // written: what changed since the open is lost.
    if (platform::syncmgr::State().Active()) call.Handheld().AbandonDatabase(handle);
    return call.Refused();
  }
  return CodeOf(call.Handheld().CloseDatabase(handle));
}

int32_t SyncGetDBRecordCount(uint8_t handle, uint16_t* count) {
  const CallScope call("SyncGetDBRecordCount");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  if (!FindOpened(call, handle, &result)) return result;
  if (count == nullptr) return kSyncErrBadArgument;
  const auto total = call.Handheld().RecordCount(handle);
  if (!total) return CodeOf(total);
  *count = *total;
  return kSyncErrNone;
}

int32_t SyncReadDBAppInfoBlock(uint8_t handle, CDbGenInfo* info) {
  const CallScope call("SyncReadDBAppInfoBlock");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  const std::optional<OpenedDatabase> opened = FindOpened(call, handle, &result);
  if (!opened) return result;
  if (info == nullptr || (info->m_pBytes == nullptr && info->m_TotalBytes > 0) ||
      !opened->CanRead()) {
    return kSyncErrBadArgument;
  }
  const auto block = call.Handheld().ReadAppInfo(handle, info->m_TotalBytes);
  if (!block) return CodeOf(block);
  if (!block->empty()) std::memcpy(info->m_pBytes, block->data(), block->size());
  info->m_BytesRead = static_cast<uint16_t>(block->size());
  return kSyncErrNone;
}

int32_t SyncWriteDBAppInfoBlock(uint8_t handle, CDbGenInfo* info) {
  const CallScope call("SyncWriteDBAppInfoBlock");
  if (call.Refused() != 0) return call.Refused();
  const int32_t writable = WritableHandle(call, handle);
  if (writable != kSyncErrNone) return writable;
  if (info == nullptr || (info->m_pBytes == nullptr && info->m_TotalBytes > 0)) {
    return kSyncErrBadArgument;
  }
  return CodeOf(call.Handheld().WriteAppInfo(handle, {info->m_pBytes, info->m_TotalBytes}));
}

int32_t SyncPurgeDeletedRecs(uint8_t handle) {
  const CallScope call("SyncPurgeDeletedRecs");
  if (call.Refused() != 0) return call.Refused();
  const int32_t writable = WritableHandle(call, handle);
  if (writable != kSyncErrNone) return writable;
  return CodeOf(call.Handheld().PurgeDeletedRecords(handle));
}

int32_t SyncPurgeAllRecs(uint8_t handle) {
  const CallScope call("SyncPurgeAllRecs");
  if (call.Refused() != 0) return call.Refused();
  const int32_t writable = WritableHandle(call, handle);
  if (writable != kSyncErrNone) return writable;
  return CodeOf(call.Handheld().PurgeAllRecords(handle));
}

}  // extern "C"
