// Settings and image set-up for the conduit tests.
#include "sync_test_support.h"

#include "bytes/bytes.h"
#include "settings/settings.h"

namespace conduit::testing {

constexpr char kDirectoriesKey[] = "Software\\Olvenmark\\Vellamore\\Directories";

void WriteDataDirSetting(const std::string& dataDir) {
  platform::settings::SetValue(kDirectoriesKey, "DataDir", dataDir);
}

void RemoveDataDirSetting() {
  platform::settings::DeleteValue(kDirectoriesKey, "DataDir");
}

void WriteRequestPreference(const std::string& imageDir, const std::vector<uint8_t>& bytes,
                            uint16_t version) {
  platform::pdb::HandheldImage image(imageDir);
  image.WritePreference(kVlmrCreator, 0, true, {version, bytes});
}

std::optional<platform::pdb::AppPreference> ReadRequestPreference(const std::string& imageDir) {
  platform::pdb::HandheldImage image(imageDir);
  platform::pdb::AppPreference preference;
  if (image.ReadPreference(kVlmrCreator, 0, true, &preference) != platform::pdb::ImageError::kNone)
    return std::nullopt;
  return preference;
}

std::optional<platform::pdb::PalmDatabase> ReadDatabase(const std::string& imageDir,
                                                        const std::string& name) {
  return vlmtest::FindDatabase(platform::pdb::HandheldImage(imageDir), name);
}

std::vector<uint8_t> FileRecordBytes(uint16_t fileId, uint32_t sizeField, size_t size) {
  std::vector<uint8_t> bytes(size, 0);
  platform::PutU16Be(bytes, 0, fileId);
  platform::PutFixedText(bytes, 2, 40, "title");
  platform::PutU32Be(bytes, 196, sizeField);
  // Modified stamp: 5 March 2001 14:07.
  const uint8_t modified[8] = {20, 1, 3, 5, 14, 7, 0, 0};
  for (size_t i = 0; i < sizeof modified && 178 + i < bytes.size(); ++i)
    bytes[178 + i] = modified[i];
  return bytes;
}

}  // namespace conduit::testing
