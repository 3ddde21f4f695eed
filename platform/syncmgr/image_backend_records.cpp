// The image's records: read by index, write, delete and the category walk,
// on the loaded database of a handle. Writes change the database in memory
// until a handle on it is closed.
#include "syncmgr/image_backend.h"

namespace platform::syncmgr {
namespace {

Failure NoRecord() {
  return Failure{"no such record", kSyncErrNoRecord};
}

}  // namespace

HandheldRecord ImageBackend::Reported(const pdb::PalmRecord& stored, size_t index,
                                      uint16_t maxBytes) {
  HandheldRecord record;
  record.id = stored.uniqueId;
  record.index = static_cast<uint16_t>(index);
  record.attributes = static_cast<uint8_t>((stored.attributes & pdb::kRecordFlagMask) |
                                           (stored.IsArchived() ? kRecAttrArchived : 0));
  record.category = stored.Category();
  record.data = FirstBytes(stored.data, maxBytes);
  return record;
}

Result<ImageBackend::OpenHandle*> ImageBackend::RecordHandle(uint8_t handle) {
  OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  if (open->loaded->database.IsResourceDatabase()) {
    return Failure{"a resource database has no records", kSyncErrBadArgument};
  }
  return open;
}

uint32_t ImageBackend::NewUniqueId(LoadedDatabase& loaded) {
  if (!loaded.idsInUse) {
    loaded.idsInUse.emplace();
    for (const pdb::PalmRecord& stored : loaded.database.records) {
      loaded.idsInUse->insert(stored.uniqueId);
    }
  }
  return loaded.database.NextUniqueId(*loaded.idsInUse);
}

Result<HandheldRecord> ImageBackend::ReadRecordByIndex(uint8_t handle, uint16_t index,
                                                       uint16_t maxBytes) {
  const Result<OpenHandle*> open = RecordHandle(handle);
  if (!open) return open.Error();
  const auto& records = (*open)->loaded->database.records;
  if (index >= records.size() || !(*open)->IsVisible(records[index])) return NoRecord();
  return Reported(records[index], index, maxBytes);
}

Result<uint32_t> ImageBackend::WriteRecord(uint8_t handle, HandheldRecord record) {
  const Result<OpenHandle*> open = RecordHandle(handle);
  if (!open) return open.Error();
  LoadedDatabase& loaded = *(*open)->loaded;
  auto& records = loaded.database.records;
  pdb::PalmRecord stored{static_cast<uint8_t>((record.attributes & pdb::kRecordFlagMask) |
                                              (record.category & pdb::kRecordCategoryMask)),
                         record.id, std::move(record.data)};
  const auto existing =
      stored.uniqueId == 0 ? std::nullopt : loaded.database.FindRecord(stored.uniqueId);
  if (!existing && records.size() >= pdb::kMaxEntries) {
    return Failure{"the database holds as many records as it can", kSyncErrBadArgument};
  }
  if (stored.uniqueId == 0) stored.uniqueId = NewUniqueId(loaded);
  const uint32_t id = stored.uniqueId;
  if (existing) {
    records[*existing] = std::move(stored);
  } else {
    if (loaded.idsInUse) loaded.idsInUse->insert(id);
    records.push_back(std::move(stored));
  }
  loaded.changed = true;
  return id;
}

Result<void> ImageBackend::DeleteRecord(uint8_t handle, uint32_t id) {
  const Result<OpenHandle*> open = RecordHandle(handle);
  if (!open) return open.Error();
  LoadedDatabase& loaded = *(*open)->loaded;
  const auto index = loaded.database.FindRecord(id);
  if (!index) return NoRecord();
  loaded.database.records.erase(loaded.database.records.begin() +
                                static_cast<std::ptrdiff_t>(*index));
  if (loaded.idsInUse) loaded.idsInUse->erase(id);
  loaded.changed = true;
  return {};
}

Result<void> ImageBackend::ResetRecordIndex(uint8_t handle) {
  OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  open->walkPosition = 0;
  return {};
}

template <typename Predicate>
Result<HandheldRecord> ImageBackend::WalkTo(uint8_t handle, uint16_t maxBytes, Predicate wanted) {
  const Result<OpenHandle*> open = RecordHandle(handle);
  if (!open) return open.Error();
  OpenHandle& walk = **open;
  const auto& records = walk.loaded->database.records;
  for (size_t index = walk.walkPosition; index < records.size(); ++index) {
    const pdb::PalmRecord& stored = records[index];
    if (!walk.IsVisible(stored) || !wanted(stored)) continue;
    walk.walkPosition = index + 1;
    return Reported(stored, index, maxBytes);
  }
  walk.walkPosition = records.size();
  return NoRecord();
}

Result<HandheldRecord> ImageBackend::ReadNextRecordInCategory(uint8_t handle, uint8_t category,
                                                              uint16_t maxBytes) {
  return WalkTo(handle, maxBytes, [category](const pdb::PalmRecord& stored) {
    return !stored.IsDeleted() && stored.Category() == category;
  });
}

Result<HandheldRecord> ImageBackend::ReadNextModifiedRecord(uint8_t handle, uint16_t maxBytes) {
  return WalkTo(handle, maxBytes, [](const pdb::PalmRecord& stored) {
    return (stored.attributes & pdb::kRecordDirty) != 0;
  });
}

}  // namespace platform::syncmgr
