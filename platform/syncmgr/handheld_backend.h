// The handheld a HotSync works on, as the Sync Manager's calls see it: one
// method per request the handheld answers, in C++ types. The exported calls
// check their arguments and the open mode (no Backend is asked to read or
// write through a handle whose mode refuses it, nor for records of a
// resource database), translate the conduit's structures, and leave the work
// to the Backend of the HotSync in progress.
//
// A handheld image folder is one Backend (ImageBackend); a handheld reached
// over a link is another (DeviceBackend). Handles are the Backend's own, from 1 to 255.
// Every failure carries a Sync Manager code of syncmgr.h in Failure.code.
// The Sync Manager calls a Backend with its lock held, one call at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "result/result.h"
#include "syncmgr/syncmgr.h"

namespace platform::syncmgr {

// One record as the handheld reports it, or as a write hands it over.
struct HandheldRecord {
  uint32_t id = 0;         // unique ID, 24 bits; 0 on a write makes a new record
  uint16_t index = 0;      // position in the database (set by reads)
  uint8_t attributes = 0;  // kRecAttr bits; a write carries only dirty and secret
  uint8_t category = 0;    // 0 to 15
  std::vector<uint8_t> data;
};

struct NewDatabase {
  std::string name;  // 1 to 31 characters
  uint8_t card = 0;
  uint32_t creator = 0;
  uint32_t type = 0;
  uint16_t flags = 0;  // database attributes: 1 = resource database
  uint16_t version = 0;
};

// The mode of every handle a CreateDatabase gives: read, write, secret
// records shown.
constexpr uint8_t kCreatedDatabaseMode = kDbRead | kDbWrite | kDbShowSecret;

// What the Sync Manager checks about an open handle before calling on it.
struct OpenedDatabase {
  uint8_t mode = 0;       // kDbRead, kDbWrite, kDbExclusive, kDbShowSecret
  bool resource = false;  // a resource database, which takes no record calls

  bool CanRead() const { return (mode & kDbRead) != 0; }
  bool CanWrite() const { return (mode & kDbWrite) != 0; }
};

// An application preference: its creator and ID, in "Saved Preferences"
// (saved) or "Unsaved Preferences".
struct PreferenceKey {
  uint32_t creator = 0;
  uint16_t id = 0;
  bool saved = true;
};

struct PreferenceRead {
  uint16_t version = 0;
  uint32_t size = 0;          // the whole preference's size
  std::vector<uint8_t> data;  // its first bytes, as many as were asked for
};

struct HandheldUser {
  std::string name;
  uint32_t id = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Databases. Open and create give a handle; a created database is open
  // for reading and writing (secret records shown).
  virtual Result<uint8_t> OpenDatabase(std::string_view name, uint8_t card, uint8_t mode) = 0;
  virtual Result<uint8_t> CreateDatabase(const NewDatabase& database) = 0;
  // Closes the handle; what changed through it is on the handheld afterwards.
  virtual Result<void> CloseDatabase(uint8_t handle) = 0;
  // Closes the handle as a failed close does: what is not yet on the
  // handheld is dropped.
  virtual void AbandonDatabase(uint8_t handle) = 0;
  // Closes every handle still open, as at the end of the HotSync.
  virtual void CloseAll() = 0;
  // The open handle's mode and kind; nothing when the handle is not open.
  virtual std::optional<OpenedDatabase> Opened(uint8_t handle) const = 0;

  // Every record counts, deleted and secret ones too (resources in a
  // resource database).
  virtual Result<uint16_t> RecordCount(uint8_t handle) = 0;
  // The application-info block cut to `maxBytes`; kSyncErrNoAppInfo when
  // the database has none.
  virtual Result<std::vector<uint8_t>> ReadAppInfo(uint8_t handle, uint16_t maxBytes) = 0;
  virtual Result<void> WriteAppInfo(uint8_t handle, std::span<const uint8_t> block) = 0;
  // Removes deleted and archived records, or every record; a resource
  // database refuses both (kSyncErrBadArgument), as a handheld does.
  virtual Result<void> PurgeDeletedRecords(uint8_t handle) = 0;
  virtual Result<void> PurgeAllRecords(uint8_t handle) = 0;

  // Records of a record database; data is cut to `maxBytes`. Secret records
  // are hidden from a handle opened without kDbShowSecret.
  virtual Result<HandheldRecord> ReadRecordByIndex(uint8_t handle, uint16_t index,
                                                   uint16_t maxBytes) = 0;
  // Replaces the record of `record.id`, or adds it (a new ID when 0); the
  // record's ID. Where the record now stands is not reported: a handheld
  // does not say.
  virtual Result<uint32_t> WriteRecord(uint8_t handle, HandheldRecord record) = 0;
  virtual Result<void> DeleteRecord(uint8_t handle, uint32_t id) = 0;
  // Puts the handle's category walk back before the first record.
  virtual Result<void> ResetRecordIndex(uint8_t handle) = 0;
  // The next record of `category` after the walk's position, skipping
  // deleted (and hidden secret) records; kSyncErrNoRecord at the end.
  virtual Result<HandheldRecord> ReadNextRecordInCategory(uint8_t handle, uint8_t category,
                                                          uint16_t maxBytes) = 0;

  // Application preferences; a read gives at most `maxBytes` of the data.
  virtual Result<PreferenceRead> ReadPreference(const PreferenceKey& key, uint16_t maxBytes) = 0;
  virtual Result<void> WritePreference(const PreferenceKey& key, uint16_t version,
                                       std::span<const uint8_t> data) = 0;

  // The handheld's user name and ID.
  virtual Result<HandheldUser> ReadUser() = 0;
};

}  // namespace platform::syncmgr
