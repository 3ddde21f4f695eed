// Databases of handheld image folders for the tests.
#include "testing/image.h"

#include <gtest/gtest.h>

namespace vlmtest {

platform::pdb::PalmDatabase DatabaseOf(const platform::pdb::HandheldImage& image,
                                       const std::string& name) {
  platform::pdb::PalmDatabase database;
  EXPECT_EQ(image.LoadDatabase(name, &database), platform::pdb::ImageError::kNone) << name;
  return database;
}

std::optional<platform::pdb::PalmDatabase> FindDatabase(const platform::pdb::HandheldImage& image,
                                                        const std::string& name) {
  platform::pdb::PalmDatabase database;
  if (image.LoadDatabase(name, &database) != platform::pdb::ImageError::kNone) return std::nullopt;
  return database;
}

std::string MakeHandheldImage(const std::string& folder, const std::string& userName) {
  EXPECT_TRUE(platform::pdb::HandheldImage::Create(folder, userName).has_value()) << folder;
  return folder;
}

void WriteRecordDatabase(const std::string& imageDir, const std::string& name, uint32_t creator,
                         uint32_t type, const std::vector<platform::pdb::PalmRecord>& records) {
  platform::pdb::PalmDatabase database;
  database.name = name;
  database.creator = creator;
  database.type = type;
  database.records = records;
  database.uniqueIdSeed = 0x1000;
  const platform::pdb::ImageError saved = platform::pdb::HandheldImage(imageDir).SaveDatabase(database);
  ASSERT_EQ(saved, platform::pdb::ImageError::kNone)
      << "cannot save " << name << ": " << platform::pdb::Describe(saved);
}

}  // namespace vlmtest
