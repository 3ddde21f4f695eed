// The database calls: open, create and close, the record count, the
// application-info block and the two purges. A database is loaded from the
// image when it is first opened, shared by every handle open on it, changed
// in memory, and written back when a handle on it is closed.
#include <algorithm>
#include <cstring>
#include <ctime>

#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::CallScope;
using platform::syncmgr::LoadedDatabase;
using platform::syncmgr::OpenHandle;
using platform::syncmgr::State;
namespace pdb = platform::pdb;

namespace {

int32_t LoadError(pdb::ImageError error) {
  switch (error) {
    case pdb::ImageError::kNone:
      return kSyncErrNone;
    case pdb::ImageError::kNotFound:
    case pdb::ImageError::kBadName:  // a name no database can have
      return kSyncErrNotFound;
    case pdb::ImageError::kDamaged:
      return kSyncErrDamaged;
    case pdb::ImageError::kIo:
    case pdb::ImageError::kExists:
      break;
  }
  return kSyncErrIo;
}

// The open handle for a call that writes; sets `*result` when there is none
// or it was opened without write access.
OpenHandle* WritableHandle(uint8_t handle, int32_t* result) {
  OpenHandle* open = platform::syncmgr::FindHandle(handle);
  *result = open == nullptr ? kSyncErrBadHandle : open->CanWrite() ? 0 : kSyncErrReadOnly;
  return *result == 0 ? open : nullptr;
}

// Removes the records `remove` selects; marks the database changed when
// any went.
template <typename Predicate>
void RemoveRecords(LoadedDatabase& loaded, Predicate remove) {
  auto& records = loaded.database.records;
  const size_t before = records.size();
  std::erase_if(records, remove);
  if (records.size() != before) {
    loaded.changed = true;
    loaded.idsInUse.reset();
  }
}

}  // namespace

extern "C" {

int32_t SyncOpenDB(const char* name, int32_t cardNo, uint8_t* handle, uint8_t openMode) {
  const CallScope call("SyncOpenDB");
  if (call.Refused() != 0) return call.Refused();
  if (name == nullptr || handle == nullptr) return kSyncErrBadArgument;
  if (cardNo != 0) return kSyncErrNotFound;  // the image is card 0
  std::shared_ptr<LoadedDatabase> loaded = platform::syncmgr::FindLoaded(name);
  if (loaded == nullptr) {
    loaded = std::make_shared<LoadedDatabase>();
    const int32_t error = LoadError(State().image.LoadDatabase(name, &loaded->database));
    if (error != kSyncErrNone) return error;
  }
  const uint8_t opened = platform::syncmgr::TakeHandle(std::move(loaded), openMode);
  if (opened == 0) return kSyncErrTooManyOpen;
  *handle = opened;
  return kSyncErrNone;
}

int32_t SyncCreateDB(CDbCreateDB* create) {
  const CallScope call("SyncCreateDB");
  if (call.Refused() != 0) return call.Refused();
  if (create == nullptr || create->m_CardNo != 0) return kSyncErrBadArgument;
  const auto* nameField = reinterpret_cast<const uint8_t*>(create->m_Name);
  const std::string name = platform::FixedTextOf({nameField, sizeof create->m_Name});
  if (name.empty() || name.size() > pdb::kMaxNameLength) return kSyncErrBadArgument;
  if (platform::syncmgr::FindLoaded(name) != nullptr) return kSyncErrExists;
  auto loaded = std::make_shared<LoadedDatabase>();
  pdb::PalmDatabase& database = loaded->database;
  database.name = name;
  database.attributes = create->m_Flags;
  database.version = create->m_Version;
  database.type = create->m_Type;
  database.creator = create->m_Creator;
  database.created = std::time(nullptr);
  database.modified = database.created;
  const uint8_t opened = platform::syncmgr::TakeHandle(loaded, platform::syncmgr::kCreateMode);
  if (opened == 0) return kSyncErrTooManyOpen;
  // The database exists on the handheld from now on, even if it is never
  // closed.
  const pdb::ImageError created = State().image.CreateDatabase(database);
  if (created != pdb::ImageError::kNone) {
    State().handles[opened - 1].reset();
    return created == pdb::ImageError::kExists ? kSyncErrExists : kSyncErrIo;
  }
  create->m_FileHandle = opened;
  return kSyncErrNone;
}

int32_t SyncCloseDB(uint8_t handle) {
  const CallScope call("SyncCloseDB");
  if (call.Refused() != 0) {
    // A close that fails writes nothing back, as when the image cannot be
    // written: what changed since the open is lost.
    if (State().active) platform::syncmgr::DiscardHandle(handle);
    return call.Refused();
  }
  return platform::syncmgr::CloseHandle(handle);
}

int32_t SyncGetDBRecordCount(uint8_t handle, uint16_t* count) {
  const CallScope call("SyncGetDBRecordCount");
  if (call.Refused() != 0) return call.Refused();
  const OpenHandle* open = platform::syncmgr::FindHandle(handle);
  if (open == nullptr) return kSyncErrBadHandle;
  if (count == nullptr) return kSyncErrBadArgument;
  // Every record counts, secret and deleted ones too, as on the handheld.
  const pdb::PalmDatabase& database = open->loaded->database;
  const size_t total =
      database.IsResourceDatabase() ? database.resources.size() : database.records.size();
  *count = static_cast<uint16_t>(total);
  return kSyncErrNone;
}

int32_t SyncReadDBAppInfoBlock(uint8_t handle, CDbGenInfo* info) {
  const CallScope call("SyncReadDBAppInfoBlock");
  if (call.Refused() != 0) return call.Refused();
  const OpenHandle* open = platform::syncmgr::FindHandle(handle);
  if (open == nullptr) return kSyncErrBadHandle;
  if (info == nullptr || (info->m_pBytes == nullptr && info->m_TotalBytes > 0) ||
      !open->CanRead()) {
    return kSyncErrBadArgument;
  }
  const std::vector<uint8_t>& block = open->loaded->database.appInfo;
  if (block.empty()) return kSyncErrNoAppInfo;
  const size_t copied = std::min<size_t>(block.size(), info->m_TotalBytes);
  if (copied > 0) std::memcpy(info->m_pBytes, block.data(), copied);
  info->m_BytesRead = static_cast<uint16_t>(copied);
  return kSyncErrNone;
}

int32_t SyncWriteDBAppInfoBlock(uint8_t handle, CDbGenInfo* info) {
  const CallScope call("SyncWriteDBAppInfoBlock");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = WritableHandle(handle, &result);
  if (open == nullptr) return result;
  if (info == nullptr || (info->m_pBytes == nullptr && info->m_TotalBytes > 0)) {
    return kSyncErrBadArgument;
  }
  open->loaded->database.appInfo.assign(info->m_pBytes, info->m_pBytes + info->m_TotalBytes);
  open->loaded->changed = true;
  return kSyncErrNone;
}

int32_t SyncPurgeDeletedRecs(uint8_t handle) {
  const CallScope call("SyncPurgeDeletedRecs");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = WritableHandle(handle, &result);
  if (open == nullptr) return result;
  // Deleted records go, and archived ones (the archived bit counts only on
  // a deleted or busy record: elsewhere it is part of the category).
  RemoveRecords(*open->loaded, [](const pdb::PalmRecord& record) {
    return record.IsDeleted() || record.IsArchived();
  });
  return kSyncErrNone;
}

int32_t SyncPurgeAllRecs(uint8_t handle) {
  const CallScope call("SyncPurgeAllRecs");
  if (call.Refused() != 0) return call.Refused();
  int32_t result = 0;
  OpenHandle* open = WritableHandle(handle, &result);
  if (open == nullptr) return result;
  RemoveRecords(*open->loaded, [](const pdb::PalmRecord&) { return true; });
  return kSyncErrNone;
}

}  // extern "C"
