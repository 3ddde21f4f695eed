// Test support for the conduit: temporary folders, a HotSync in progress on
// a handheld image folder, the HotSync log of that session, the data
// directory setting, and handheld databases and preferences written and read
// through the Palm database library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"

namespace conduit::testing {

// A fresh folder under the temporary directory, removed with its contents.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return m_path; }
  std::string PathOf(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

struct LogLine {
  std::string text;
  int32_t activity = 0;
  bool operator==(const LogLine&) const = default;
};

// A HotSync of the image folder `imageDir` for the life of the object.
class HotSyncSession {
 public:
  explicit HotSyncSession(const std::string& imageDir);
  ~HotSyncSession();
  HotSyncSession(const HotSyncSession&) = delete;
  HotSyncSession& operator=(const HotSyncSession&) = delete;
  bool Ok() const { return m_ok; }

 private:
  bool m_ok = false;
};

// Entries of the HotSync log of the session in progress (or the last one).
std::vector<LogLine> SessionLog();

// Sets or removes the "DataDir" setting (in the settings folder that
// XDG_CONFIG_HOME names).
void WriteDataDirSetting(const std::string& dataDir);
void RemoveDataDirSetting();

constexpr uint32_t kVlmrCreator = 0x566C6D72;
constexpr uint32_t kFileType = 0x46696C65;

// The request preference (creator 'Vlmr', ID 0) in Saved Preferences.
void WriteRequestPreference(const std::string& imageDir, const std::vector<uint8_t>& bytes,
                            uint16_t version);
std::optional<platform::pdb::AppPreference> ReadRequestPreference(const std::string& imageDir);

// A record database with the given records.
void WriteRecordDatabase(const std::string& imageDir, const std::string& name, uint32_t creator,
                         uint32_t type, const std::vector<platform::pdb::PalmRecord>& records);
std::optional<platform::pdb::PalmDatabase> ReadDatabase(const std::string& imageDir,
                                                        const std::string& name);

// A HandheldFileRecord of `size` bytes with `fileId`, a modified stamp and a
// content-size field, both written big-endian as on the handheld.
std::vector<uint8_t> FileRecordBytes(uint16_t fileId, uint32_t sizeField, size_t size = 240);

}  // namespace conduit::testing
