// The image's databases: handles, open, create and close with write-back,
// the record count, the application-info block and the two purges.
#include "syncmgr/image_backend.h"

#include <algorithm>
#include <ctime>

#include "syncmgr/sync_backend_session.h"

namespace platform::syncmgr {

std::unique_ptr<Backend> MakeImageBackend(const std::string& folder) {
  pdb::HandheldImage image(folder);
  if (!image.Exists()) return nullptr;
  return std::make_unique<ImageBackend>(std::move(image));
}

ImageBackend::ImageBackend(pdb::HandheldImage image) : m_image(std::move(image)) {}

ImageBackend::~ImageBackend() = default;

Failure ImageBackend::BadHandle() {
  return Failure{"the handle is not open", kSyncErrBadHandle};
}

Failure ImageBackend::ImageFailure(pdb::ImageError error, int32_t notFound, int32_t badName) {
  switch (error) {
    case pdb::ImageError::kNotFound:
      return Failure{pdb::Describe(error), notFound};
    case pdb::ImageError::kBadName:
      return Failure{pdb::Describe(error), badName};
    case pdb::ImageError::kDamaged:
      return Failure{pdb::Describe(error), kSyncErrDamaged};
    case pdb::ImageError::kNone:
    case pdb::ImageError::kIo:
    case pdb::ImageError::kExists:
      break;
  }
  return Failure{pdb::Describe(error), kSyncErrIo};
}

std::vector<uint8_t> ImageBackend::FirstBytes(std::span<const uint8_t> bytes, size_t count) {
  const std::span<const uint8_t> first = bytes.first(std::min(bytes.size(), count));
  return std::vector<uint8_t>(first.begin(), first.end());
}

Failure ImageBackend::TooManyOpen() {
  return Failure{"every database handle is in use", kSyncErrTooManyOpen};
}

ImageBackend::OpenHandle* ImageBackend::FindHandle(uint8_t handle) {
  if (handle == 0 || handle > kMaxOpenDatabases) return nullptr;
  auto& slot = m_handles[handle - 1];
  return slot ? &*slot : nullptr;
}

const ImageBackend::OpenHandle* ImageBackend::FindHandle(uint8_t handle) const {
  return const_cast<ImageBackend*>(this)->FindHandle(handle);
}

uint8_t ImageBackend::TakeHandle(std::shared_ptr<LoadedDatabase> loaded, uint8_t mode) {
  for (size_t i = 0; i < m_handles.size(); ++i) {
    if (!m_handles[i]) {
      m_handles[i] = OpenHandle{std::move(loaded), mode, 0};
      return static_cast<uint8_t>(i + 1);
    }
  }
  return 0;
}

std::shared_ptr<ImageBackend::LoadedDatabase> ImageBackend::FindLoaded(
    std::string_view name) const {
  for (const auto& handle : m_handles) {
    if (handle && handle->loaded->database.name == name) return handle->loaded;
  }
  return nullptr;
}

Result<void> ImageBackend::WriteBack(LoadedDatabase& loaded) const {
  if (!loaded.changed) return {};
  pdb::PalmDatabase& database = loaded.database;
  database.modified = std::time(nullptr);
  ++database.modificationNumber;
  const pdb::ImageError error = m_image.SaveDatabase(database);
  if (error != pdb::ImageError::kNone) return Failure{pdb::Describe(error), kSyncErrIo};
  loaded.changed = false;
  return {};
}

std::optional<OpenedDatabase> ImageBackend::Opened(uint8_t handle) const {
  const OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return std::nullopt;
  return OpenedDatabase{open->mode, open->loaded->database.IsResourceDatabase()};
}

Result<uint8_t> ImageBackend::OpenDatabase(std::string_view name, uint8_t card, uint8_t mode) {
  if (card != 0) return Failure{"the image has only card 0", kSyncErrNotFound};
  std::shared_ptr<LoadedDatabase> loaded = FindLoaded(name);
  if (loaded == nullptr) {
    loaded = std::make_shared<LoadedDatabase>();
    const pdb::ImageError error = m_image.LoadDatabase(name, &loaded->database);
    // A name no database can have is not found either.
    if (error != pdb::ImageError::kNone)
      return ImageFailure(error, kSyncErrNotFound, kSyncErrNotFound);
  }
  const uint8_t opened = TakeHandle(std::move(loaded), mode);
  if (opened == 0) return TooManyOpen();
  return opened;
}

Result<uint8_t> ImageBackend::CreateDatabase(const NewDatabase& spec) {
  if (spec.card != 0) return Failure{"the image has only card 0", kSyncErrBadArgument};
  if (FindLoaded(spec.name) != nullptr) return Failure{"the database is open", kSyncErrExists};
  auto loaded = std::make_shared<LoadedDatabase>();
  pdb::PalmDatabase& database = loaded->database;
  database.name = spec.name;
  database.attributes = spec.flags;
  database.version = spec.version;
  database.type = spec.type;
  database.creator = spec.creator;
  database.created = std::time(nullptr);
  database.modified = database.created;
  const uint8_t opened = TakeHandle(loaded, kCreatedDatabaseMode);
  if (opened == 0) return TooManyOpen();
  // The database exists on the handheld from now on, even if it is never
  // closed.
  const pdb::ImageError created = m_image.CreateDatabase(database);
  if (created != pdb::ImageError::kNone) {
    m_handles[opened - 1].reset();
    const bool exists = created == pdb::ImageError::kExists;
    return Failure{pdb::Describe(created), exists ? kSyncErrExists : kSyncErrIo};
  }
  return opened;
}

Result<void> ImageBackend::CloseDatabase(uint8_t handle) {
  OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  const std::shared_ptr<LoadedDatabase> loaded = std::move(open->loaded);
  m_handles[handle - 1].reset();
  return WriteBack(*loaded);
}

void ImageBackend::AbandonDatabase(uint8_t handle) {
  // What changed through the handle is lost unless another handle still has
  // the database open.
  if (FindHandle(handle) != nullptr) m_handles[handle - 1].reset();
}

void ImageBackend::CloseAll() {
  for (size_t i = 0; i < m_handles.size(); ++i) {
    // A database that cannot be written back is lost, as at any close.
    if (m_handles[i]) static_cast<void>(CloseDatabase(static_cast<uint8_t>(i + 1)));
  }
}

const pdb::PalmDatabase* ImageBackend::Database(uint8_t handle) const {
  const OpenHandle* open = FindHandle(handle);
  return open == nullptr ? nullptr : &open->loaded->database;
}

pdb::PalmDatabase* ImageBackend::ChangeDatabase(uint8_t handle) {
  OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return nullptr;
  open->loaded->changed = true;
  // The caller may add or remove records: the IDs in use are counted again.
  open->loaded->idsInUse.reset();
  return &open->loaded->database;
}

Result<uint16_t> ImageBackend::RecordCount(uint8_t handle) {
  const OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  const pdb::PalmDatabase& database = open->loaded->database;
  const size_t total =
      database.IsResourceDatabase() ? database.resources.size() : database.records.size();
  return static_cast<uint16_t>(total);
}

Result<std::vector<uint8_t>> ImageBackend::ReadAppInfo(uint8_t handle, uint16_t maxBytes) {
  const OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  const std::vector<uint8_t>& block = open->loaded->database.appInfo;
  if (block.empty()) {
    return Failure{"the database has no application-info block", kSyncErrNoAppInfo};
  }
  return FirstBytes(block, maxBytes);
}

Result<void> ImageBackend::WriteAppInfo(uint8_t handle, std::span<const uint8_t> block) {
  OpenHandle* open = FindHandle(handle);
  if (open == nullptr) return BadHandle();
  open->loaded->database.appInfo.assign(block.begin(), block.end());
  open->loaded->changed = true;
  return {};
}

template <typename Predicate>
Result<void> ImageBackend::RemoveRecords(uint8_t handle, Predicate remove) {
  const Result<OpenHandle*> open = RecordHandle(handle);
  if (!open) return open.Error();
  LoadedDatabase& loaded = *(*open)->loaded;
  auto& records = loaded.database.records;
  const size_t before = records.size();
  std::erase_if(records, remove);
  if (records.size() != before) {
    loaded.changed = true;
    loaded.idsInUse.reset();
  }
  return {};
}

Result<void> ImageBackend::PurgeDeletedRecords(uint8_t handle) {
  // Deleted records go, and archived ones (the archived bit counts only on
  // a deleted or busy record: elsewhere it is part of the category).
  return RemoveRecords(handle, [](const pdb::PalmRecord& record) {
    return record.IsDeleted() || record.IsArchived();
  });
}

Result<void> ImageBackend::PurgeAllRecords(uint8_t handle) {
  return RemoveRecords(handle, [](const pdb::PalmRecord&) { return true; });
}

}  // namespace platform::syncmgr
