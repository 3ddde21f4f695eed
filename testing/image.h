// Test support: databases read from and written into a handheld image folder.
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
// Writes a record database with the given records into the image folder.
void WriteRecordDatabase(const std::string& imageDir, const std::string& name, uint32_t creator,
                         uint32_t type, const std::vector<platform::pdb::PalmRecord>& records);

}  // namespace vlmtest
