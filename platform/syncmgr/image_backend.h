// The handheld as an image folder (see pdb/handheld_image.h). A database is
// loaded from its file when it is first opened, shared by every handle open
// on it, changed in memory, and written back whole when a handle on it is
// closed. Preferences and the user's identity are read and written at once.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_set>

#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "syncmgr/handheld_backend.h"

namespace platform::syncmgr {

constexpr size_t kMaxOpenDatabases = 32;

class ImageBackend final : public Backend {
 public:
  explicit ImageBackend(pdb::HandheldImage image);
  ~ImageBackend() override;

  Result<uint8_t> OpenDatabase(std::string_view name, uint8_t card, uint8_t mode) override;
  Result<uint8_t> CreateDatabase(const NewDatabase& database) override;
  Result<void> CloseDatabase(uint8_t handle) override;
  void AbandonDatabase(uint8_t handle) override;
  void CloseAll() override;
  std::optional<OpenedDatabase> Opened(uint8_t handle) const override;

  Result<uint16_t> RecordCount(uint8_t handle) override;
  Result<std::vector<uint8_t>> ReadAppInfo(uint8_t handle, uint16_t maxBytes) override;
  Result<void> WriteAppInfo(uint8_t handle, std::span<const uint8_t> block) override;
  Result<void> PurgeDeletedRecords(uint8_t handle) override;
  Result<void> PurgeAllRecords(uint8_t handle) override;

  Result<HandheldRecord> ReadRecordByIndex(uint8_t handle, uint16_t index,
                                           uint16_t maxBytes) override;
  Result<uint32_t> WriteRecord(uint8_t handle, HandheldRecord record) override;
  Result<void> DeleteRecord(uint8_t handle, uint32_t id) override;
  Result<void> ResetRecordIndex(uint8_t handle) override;
  Result<HandheldRecord> ReadNextRecordInCategory(uint8_t handle, uint8_t category,
                                                  uint16_t maxBytes) override;

  Result<PreferenceRead> ReadPreference(const PreferenceKey& key, uint16_t maxBytes) override;
  Result<void> WritePreference(const PreferenceKey& key, uint16_t version,
                               std::span<const uint8_t> data) override;
  Result<HandheldUser> ReadUser() override;

  // For a handheld played from the image over DLP, which answers requests
  // the Backend has no call for. The database open under `handle`, or null:
  // Database() to read it; ChangeDatabase() to change it, which has it
  // written back when its last handle is closed.
  const pdb::PalmDatabase* Database(uint8_t handle) const;
  pdb::PalmDatabase* ChangeDatabase(uint8_t handle);
  // The next record after the walk's position whose dirty bit is set,
  // deleted ones included; kSyncErrNoRecord at the end. The walk is the one
  // of ReadNextRecordInCategory.
  Result<HandheldRecord> ReadNextModifiedRecord(uint8_t handle, uint16_t maxBytes);

 private:
  // One loaded database, shared by every handle open on it.
  struct LoadedDatabase {
    pdb::PalmDatabase database;
    bool changed = false;
    std::optional<std::unordered_set<uint32_t>> idsInUse;  // built at the first new record
  };

  struct OpenHandle {
    std::shared_ptr<LoadedDatabase> loaded;
    uint8_t mode = 0;
    size_t walkPosition = 0;  // next index the category walk looks at

    bool ShowsSecret() const { return (mode & kDbShowSecret) != 0; }
    bool IsVisible(const pdb::PalmRecord& record) const {
      return ShowsSecret() || !record.IsSecret();
    }
  };

  static Failure BadHandle();
  // The failure for an error of the image: `notFound` and `badName` for a
  // missing thing and a bad name, which mean different things to the calls.
  static Failure ImageFailure(pdb::ImageError error, int32_t notFound, int32_t badName);
  static Failure TooManyOpen();
  // The first `count` bytes, or all when there are fewer.
  static std::vector<uint8_t> FirstBytes(std::span<const uint8_t> bytes, size_t count);
  // The stored record as the Sync Manager reports it, its data cut to
  // `maxBytes`.
  static HandheldRecord Reported(const pdb::PalmRecord& stored, size_t index, uint16_t maxBytes);
  // The open handle, or null.
  OpenHandle* FindHandle(uint8_t handle);
  const OpenHandle* FindHandle(uint8_t handle) const;
  // The open handle of a record database; a failure otherwise.
  Result<OpenHandle*> RecordHandle(uint8_t handle);
  // Takes a free handle for `loaded`; 0 when every handle is in use.
  uint8_t TakeHandle(std::shared_ptr<LoadedDatabase> loaded, uint8_t mode);
  // The loaded database of `name` when a handle has it open.
  std::shared_ptr<LoadedDatabase> FindLoaded(std::string_view name) const;
  // A unique ID no record of the database has, from its seed.
  static uint32_t NewUniqueId(LoadedDatabase& loaded);
  // Writes a changed database back (temporary file, rename).
  Result<void> WriteBack(LoadedDatabase& loaded) const;
  // The first record from the handle's walk position on that is visible
  // and `wanted`; the walk moves past it.
  template <typename Predicate>
  Result<HandheldRecord> WalkTo(uint8_t handle, uint16_t maxBytes, Predicate wanted);
  // Removes the records `remove` selects from the handle's database.
  template <typename Predicate>
  Result<void> RemoveRecords(uint8_t handle, Predicate remove);

  pdb::HandheldImage m_image;
  std::array<std::optional<OpenHandle>, kMaxOpenDatabases> m_handles;
};

}  // namespace platform::syncmgr
