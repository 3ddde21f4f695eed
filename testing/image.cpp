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

}  // namespace vlmtest
