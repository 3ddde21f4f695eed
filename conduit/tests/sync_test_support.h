// Test support for the conduit: the shared temporary folders, environment
// guards and HotSyncs under the names these tests use, the data directory
// setting, and handheld databases and preferences written and read through
// the Palm database library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "testing/hotsync_session.h"
#include "testing/image.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace conduit::testing {

using vlmtest::HotSyncSession;
using vlmtest::LogLine;
using vlmtest::ScopedEnv;
using vlmtest::SessionLog;
using vlmtest::TempFolder;
using vlmtest::WriteRecordDatabase;

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

std::optional<platform::pdb::PalmDatabase> ReadDatabase(const std::string& imageDir,
                                                        const std::string& name);

// A HandheldFileRecord of `size` bytes with `fileId`, a modified stamp and a
// content-size field, both written big-endian as on the handheld.
std::vector<uint8_t> FileRecordBytes(uint16_t fileId, uint32_t sizeField, size_t size = 240);

}  // namespace conduit::testing
