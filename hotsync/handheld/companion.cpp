// Helpers shared by the companion's commands.
#include "handheld/companion.h"

#include <cstdio>
#include <iostream>
#include <utility>

namespace handheld {

using platform::pdb::ImageError;

int Fail(const std::string& message) {
  std::cerr << "handheld: " << message << "\n";
  return kExitFailed;
}

int UsageFail(const std::string& message) {
  std::cerr << "handheld: " << message << "\nTry 'handheld --help'.\n";
  return kExitUsage;
}

std::optional<platform::pdb::HandheldImage> OpenImage(const std::string& folder) {
  platform::pdb::HandheldImage image(folder);
  if (!image.Exists()) {
    Fail("\"" + folder + "\" is not a handheld image (create one with 'handheld create')");
    return std::nullopt;
  }
  return image;
}

std::optional<platform::pdb::PalmDatabase> LoadDatabase(const platform::pdb::HandheldImage& image,
                                                        std::string_view name) {
  platform::pdb::PalmDatabase database;
  platform::pdb::PdbError pdbError = platform::pdb::PdbError::kNone;
  const ImageError error = image.LoadDatabase(name, &database, &pdbError);
  if (error == ImageError::kNone) return database;
  std::string reason = platform::pdb::Describe(error);
  if (error == ImageError::kDamaged)
    reason += std::string(": ") + platform::pdb::Describe(pdbError);
  Fail("database \"" + std::string(name) + "\": " + reason);
  return std::nullopt;
}

std::optional<ImageDatabase> OpenImageDatabase(const std::string& folder, std::string_view name) {
  std::optional<platform::pdb::HandheldImage> image = OpenImage(folder);
  if (!image) return std::nullopt;
  std::optional<platform::pdb::PalmDatabase> database = LoadDatabase(*image, name);
  if (!database) return std::nullopt;
  return ImageDatabase{std::move(*image), std::move(*database)};
}

bool SaveDatabase(const platform::pdb::HandheldImage& image,
                  const platform::pdb::PalmDatabase& database) {
  const ImageError error = image.SaveDatabase(database);
  if (error == ImageError::kNone) return true;
  Fail("cannot write database \"" + database.name + "\": " + platform::pdb::Describe(error));
  return false;
}

std::optional<size_t> ParseIndex(std::string_view text, size_t count) {
  std::optional<int64_t> index = ParseNumber(text, 0, static_cast<int64_t>(count) - 1);
  if (!index) {
    Fail("no record " + std::string(text) + " (the database has " + std::to_string(count) +
         (count == 1 ? " record)" : " records)"));
    return std::nullopt;
  }
  return static_cast<size_t>(*index);
}

namespace {

std::string FormatWithYear(int year, const store::HandheldDateTime& stamp) {
  const auto& b = stamp.bytes;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", year, unsigned{b[2]},
                unsigned{b[3]}, unsigned{b[4]}, unsigned{b[5]}, unsigned{b[6]});
  return text;
}

}  // namespace

std::string FormatStamp(const store::HandheldDateTime& stamp) {
  if (!stamp.IsSet()) return "-";
  return FormatWithYear(stamp.bytes[0] * 100 + stamp.bytes[1], stamp);
}

std::string FormatSearchResultStamp(const store::HandheldDateTime& stamp) {
  // The century byte holds (year rounded down to its century) mod 256:
  // 108 for the 1900s, 208 for the 2000s, 52 for the 2100s.
  for (int century = 1900; century <= 2100; century += 100) {
    if (century % 256 == stamp.bytes[0]) return FormatWithYear(century + stamp.bytes[1], stamp);
  }
  return stamp.bytes[0] == 0 && stamp.bytes[1] == 0
             ? "-"
             : "(century byte " + std::to_string(stamp.bytes[0]) + ")";
}

}  // namespace handheld
