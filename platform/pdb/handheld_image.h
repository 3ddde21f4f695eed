// The handheld image: a folder that holds one handheld's databases as
// standard Palm database files, its identity and its application
// preferences.
//
//   <folder>/<name>.pdb        a record database
//   <folder>/<name>.prc        a resource database
//   <folder>/handheld.ini      [User] Name=<user name> (and Id=<number>, and
//                              what a network HotSync keeps there)
//
// A '/' in a database name is written "%2F" in its file name. Application
// preferences are resources of "Saved Preferences" (type 'sprf', creator
// 'psys') or, when not backed up, "Unsaved Preferences" (type 'pref'): the
// resource type is the application's creator, the resource ID the
// preference ID, and the data the preference's 2-byte big-endian version
// followed by its bytes.
//
// Every database is written whole through a temporary file and a rename.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/bytes.h"
#include "fs/file_lock.h"
#include "pdb/palm_database.h"

namespace platform::pdb {

constexpr std::string_view kIdentityFileName = "handheld.ini";
constexpr std::string_view kSavedPreferencesName = "Saved Preferences";
constexpr std::string_view kUnsavedPreferencesName = "Unsaved Preferences";
constexpr uint32_t kSavedPreferencesType = 0x73707266;    // 'sprf'
constexpr uint32_t kUnsavedPreferencesType = 0x70726566;  // 'pref'
constexpr uint32_t kPreferencesCreator = 0x70737973;      // 'psys'
constexpr size_t kPreferenceVersionSize = 2;

enum class ImageError {
  kNone,
  kNotFound,  // no such database, preference or file
  kDamaged,   // the file is not a readable Palm database (see PdbError)
  kIo,        // a file could not be read or written
  kBadName,   // an empty or over-long database name
  kExists,    // a database of that name already exists
};

const char* Describe(ImageError error);

struct AppPreference {
  uint16_t version = 0;
  std::vector<uint8_t> data;
  bool operator==(const AppPreference&) const = default;
};

class HandheldImage {
 public:
  explicit HandheldImage(std::string folder);

  // Makes `folder` (and its parents) and writes handheld.ini with the user
  // name; an existing image keeps its databases and gets the new name.
  static std::optional<HandheldImage> Create(const std::string& folder, std::string_view userName);

  const std::string& Folder() const { return m_folder; }
  // True when the folder exists.
  bool Exists() const;

  // File name for a database name: "<name>.pdb" or "<name>.prc", '/' as
  // "%2F". The name back from such a file name (nothing for other files).
  static std::string FileNameOf(std::string_view name, bool resource);
  static std::optional<std::string> DatabaseNameOf(std::string_view fileName);

  // Takes the image's exclusive lock without waiting: an flock on the image
  // folder, held by a HotSync for its whole run and by every command that
  // changes the image while it changes it (see platform::FileLock).
  platform::FileLock::Result TryLock(platform::FileLock& lock) const {
    return lock.TryLock(m_folder);
  }

  // Names of the databases in the image, in byte order of their file names.
  std::vector<std::string> ListDatabases() const;
  // File names of the image's database and identity files that are no
  // regular files (a named pipe, a device, a socket), which no reader opens.
  std::vector<std::string> ListIrregularFiles() const;
  // Full path of the file holding database `name`, when it exists.
  std::optional<std::string> FindDatabaseFile(std::string_view name) const;
  bool HasDatabase(std::string_view name) const { return FindDatabaseFile(name).has_value(); }

  // Reads database `name` (never blocking: a pipe or device in its file's
  // place is kIo, see ListIrregularFiles). kNotFound, kIo, or kDamaged with the reason in
  // `*pdbError` (when given).
  ImageError LoadDatabase(std::string_view name, PalmDatabase* database,
                          PdbError* pdbError = nullptr) const;
  // Writes the database under its own name, atomically; a file of the same
  // name with the other extension is removed afterwards.
  ImageError SaveDatabase(const PalmDatabase& database) const;
  // Writes a new database; kExists when one of that name (either kind) is
  // there already.
  ImageError CreateDatabase(const PalmDatabase& database) const;
  ImageError DeleteDatabase(std::string_view name) const;

  // Installs a PRC or PDB file into the image: the file must parse, and the
  // database name inside it decides the file name (replacing a database of
  // the same name). `*installedName` receives that name.
  ImageError InstallFile(const std::string& path, std::string* installedName = nullptr,
                         PdbError* pdbError = nullptr) const;
  ImageError InstallBytes(ByteSpan bytes, std::string* installedName = nullptr,
                          PdbError* pdbError = nullptr) const;

  // A [User] value of handheld.ini; nothing when the file or key is missing.
  std::optional<std::string> ReadUserValue(std::string_view key) const;
  // Sets [User] values in one rewrite of handheld.ini, keeping its other
  // lines; false on failure or when a value holds a line break.
  using UserValue = std::pair<std::string_view, std::string>;
  bool WriteUserValues(std::span<const UserValue> values) const;

  // [User] Name= of handheld.ini; nothing when the file or key is missing.
  std::optional<std::string> ReadUserName() const { return ReadUserValue("Name"); }
  // Sets [User] Name=, keeping the rest of handheld.ini; false on failure.
  bool WriteUserName(std::string_view name) const;
  // A [User] value as a decimal number; 0 when missing or not a number.
  uint32_t ReadUserNumber(std::string_view key) const;
  // [User] Id= as a number; 0 when missing or not a number.
  uint32_t ReadUserId() const { return ReadUserNumber("Id"); }

  // Application preference `id` of `creator` from Saved Preferences (saved)
  // or Unsaved Preferences. kNotFound when the database or resource is
  // missing, kDamaged when the resource is shorter than its version.
  ImageError ReadPreference(uint32_t creator, uint16_t id, bool saved,
                            AppPreference* preference) const;
  // Stores the preference, creating the preferences database when needed.
  ImageError WritePreference(uint32_t creator, uint16_t id, bool saved,
                             const AppPreference& preference) const;

 private:
  std::string PathOf(std::string_view fileName) const;

  std::string m_folder;
};

}  // namespace platform::pdb
