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

bool LockImageForChange(const std::string& folder, platform::FileLock& lock) {
  const platform::pdb::HandheldImage image(folder);
  if (!image.Exists()) return true;
  if (image.TryLock(lock) != platform::FileLock::Result::kHeldElsewhere) return true;
  Fail("the handheld in \"" + folder +
       "\" is busy: a HotSync is running on it; try again when it has finished");
  return false;
}

std::string EscapeField(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::optional<platform::pdb::HandheldImage> OpenImage(const std::string& folder) {
  platform::pdb::HandheldImage image(folder);
  if (!image.Exists()) {
    Fail("\"" + folder + "\" is not a handheld image (create one with 'handheld create')");
    return std::nullopt;
  }
  // Such a file is never read (a read would hang or never end); it is named
  // rather than reported later as a database that cannot be read.
  const std::vector<std::string> irregular = image.ListIrregularFiles();
  for (const std::string& name : irregular) {
    Fail("\"" + folder + "/" + name + "\" is not a regular file (a named pipe, device or socket)");
  }
  if (!irregular.empty()) return std::nullopt;
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

std::optional<ImageDatabase> OpenImageDatabase(const std::string& folder, std::string_view name,
                                               bool missingIsEmpty) {
  std::optional<platform::pdb::HandheldImage> image = OpenImage(folder);
  if (!image) return std::nullopt;
  if (missingIsEmpty && !image->HasDatabase(name)) {
    platform::pdb::PalmDatabase empty;
    empty.name = std::string(name);
    return ImageDatabase{std::move(*image), std::move(empty)};
  }
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
