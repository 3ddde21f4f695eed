// Test support: handheld image folders made, and their databases read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"

namespace vlmtest {

// The database `name` of the image; fails the test, and gives an empty
// database, when it cannot be read.
platform::pdb::PalmDatabase DatabaseOf(const platform::pdb::HandheldImage& image,
                                       const std::string& name);
// The database `name` of the image, or nothing when it cannot be read.
std::optional<platform::pdb::PalmDatabase> FindDatabase(const platform::pdb::HandheldImage& image,
                                                        const std::string& name);
// Makes `folder` (and the folders above it) a handheld image whose user is
// `userName`; its path. Fails the test when it cannot.
std::string MakeHandheldImage(const std::string& folder, const std::string& userName);
// Writes a record database `name` into the image folder; fails the test
// when it cannot be saved.
void WriteRecordDatabase(const std::string& imageDir, const std::string& name, uint32_t creator,
                         uint32_t type, const std::vector<platform::pdb::PalmRecord>& records);

}  // namespace vlmtest
