// The handheld image on disk: database files named after their databases,
// the identity file, and the application preferences kept as resources of
// the two preferences databases.
#include "pdb/handheld_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <ctime>
#include <filesystem>

#include "fs/fs.h"
#include "pdb/ini_text.h"

namespace platform::pdb {
namespace {

constexpr std::string_view kRecordExtension = ".pdb";
constexpr std::string_view kResourceExtension = ".prc";
constexpr std::string_view kSlash = "/";
constexpr std::string_view kEscapedSlash = "%2F";
constexpr std::string_view kUserSection = "User";

bool IsValidName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNameLength &&
         name.find('\0') == std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  size_t start = 0;
  for (size_t found = text.find(from); found != std::string_view::npos;
       found = text.find(from, start)) {
    result.append(text.substr(start, found - start)).append(to);
    start = found + from.size();
  }
  result.append(text.substr(start));
  return result;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool FileExists(const std::string& path) {
  const auto status = GetFileStatus(path);
  return status.has_value() && !status->isDirectory;
}

std::string PreferencesName(bool saved) {
  return std::string(saved ? kSavedPreferencesName : kUnsavedPreferencesName);
}

PalmDatabase NewPreferencesDatabase(bool saved) {
  PalmDatabase database;
  database.name = PreferencesName(saved);
  database.attributes = kDbAttrResource | (saved ? kDbAttrBackup : 0);
  database.type = saved ? kSavedPreferencesType : kUnsavedPreferencesType;
  database.creator = kPreferencesCreator;
  database.created = std::time(nullptr);
  database.modified = database.created;
  return database;
}

}  // namespace

const char* Describe(ImageError error) {
  switch (error) {
    case ImageError::kNone:
      return "no error";
    case ImageError::kNotFound:
      return "not found";
    case ImageError::kDamaged:
      return "the database file is damaged";
    case ImageError::kIo:
      return "the file could not be read or written";
    case ImageError::kBadName:
      return "the database name is empty or too long";
    case ImageError::kExists:
      return "a database of that name already exists";
  }
  return "unknown error";
}

HandheldImage::HandheldImage(std::string folder) : m_folder(std::move(folder)) {}

std::optional<HandheldImage> HandheldImage::Create(const std::string& folder,
                                                   std::string_view userName) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  HandheldImage image(folder);
  if (!image.Exists() || !image.WriteUserName(userName)) return std::nullopt;
  return image;
}

bool HandheldImage::Exists() const {
  const auto status = GetFileStatus(m_folder);
  return status.has_value() && status->isDirectory;
}

std::string HandheldImage::FileNameOf(std::string_view name, bool resource) {
  return ReplaceAll(name, kSlash, kEscapedSlash) +
         std::string(resource ? kResourceExtension : kRecordExtension);
}

std::optional<std::string> HandheldImage::DatabaseNameOf(std::string_view fileName) {
  if (!EndsWith(fileName, kRecordExtension) && !EndsWith(fileName, kResourceExtension)) {
    return std::nullopt;
  }
  fileName.remove_suffix(kRecordExtension.size());
  std::string name = ReplaceAll(fileName, kEscapedSlash, kSlash);
  if (!IsValidName(name)) return std::nullopt;
  return name;
}

std::string HandheldImage::PathOf(std::string_view fileName) const {
  return m_folder + "/" + std::string(fileName);
}

std::vector<std::string> HandheldImage::ListDatabases() const {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : ListDirectory(m_folder, "*")) {
    if (entry.isDirectory) continue;
    if (auto name = DatabaseNameOf(entry.name)) names.push_back(std::move(*name));
  }
  return names;
}

std::vector<std::string> HandheldImage::ListIrregularFiles() const {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : ListDirectory(m_folder, "*")) {
    if (entry.isDirectory) continue;
    if (entry.name != kIdentityFileName && !DatabaseNameOf(entry.name)) continue;
    struct stat status {};
    const std::string path = PathOf(entry.name);
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
      names.push_back(entry.name);
    }
  }
  return names;
}

std::optional<std::string> HandheldImage::FindDatabaseFile(std::string_view name) const {
  if (!IsValidName(name)) return std::nullopt;
  for (bool resource : {false, true}) {
    std::string path = PathOf(FileNameOf(name, resource));
    if (FileExists(path)) return path;
  }
  return std::nullopt;
}

ImageError HandheldImage::LoadDatabase(std::string_view name, PalmDatabase* database,
                                       PdbError* pdbError) const {
  if (pdbError != nullptr) *pdbError = PdbError::kNone;
  if (!IsValidName(name)) return ImageError::kBadName;
  const auto path = FindDatabaseFile(name);
  if (!path) return ImageError::kNotFound;
  const auto bytes = ReadWholeFile(*path);
  if (!bytes) return ImageError::kIo;
  auto parsed = ParsePalmDatabase(*bytes, pdbError);
  if (!parsed) return ImageError::kDamaged;
  // The file name is what the image knows the database by.
  parsed->name = std::string(name);
  if (database != nullptr) *database = std::move(*parsed);
  return ImageError::kNone;
}

ImageError HandheldImage::SaveDatabase(const PalmDatabase& database) const {
  if (!IsValidName(database.name)) return ImageError::kBadName;
  const std::vector<uint8_t> bytes = SerializePalmDatabase(database);
  if (bytes.empty()) return ImageError::kIo;
  const bool resource = database.IsResourceDatabase();
  if (WriteFileAtomically(PathOf(FileNameOf(database.name, resource)), bytes) != 0) {
    return ImageError::kIo;
  }
  // A database that changed kind leaves no stale twin behind.
  ::unlink(PathOf(FileNameOf(database.name, !resource)).c_str());
  return ImageError::kNone;
}

ImageError HandheldImage::CreateDatabase(const PalmDatabase& database) const {
  if (!IsValidName(database.name)) return ImageError::kBadName;
  if (HasDatabase(database.name)) return ImageError::kExists;
  return SaveDatabase(database);
}

ImageError HandheldImage::DeleteDatabase(std::string_view name) const {
  if (!IsValidName(name)) return ImageError::kBadName;
  bool found = false;
  for (bool resource : {false, true}) {
    const std::string path = PathOf(FileNameOf(name, resource));
    if (::unlink(path.c_str()) == 0) {
      found = true;
    } else if (errno != ENOENT) {
      return ImageError::kIo;
    }
  }
  return found ? ImageError::kNone : ImageError::kNotFound;
}

ImageError HandheldImage::InstallFile(const std::string& path, std::string* installedName,
                                      PdbError* pdbError) const {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) {
    if (pdbError != nullptr) *pdbError = PdbError::kNone;
    return FileExists(path) ? ImageError::kIo : ImageError::kNotFound;
  }
  return InstallBytes(*bytes, installedName, pdbError);
}

ImageError HandheldImage::InstallBytes(ByteSpan bytes, std::string* installedName,
                                       PdbError* pdbError) const {
  const auto parsed = ParsePalmDatabase(bytes, pdbError);
  if (!parsed) return ImageError::kDamaged;
  if (!IsValidName(parsed->name)) return ImageError::kBadName;
  const bool resource = parsed->IsResourceDatabase();
  // The bytes go in as they came, so the handheld gets exactly the file.
  const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  if (WriteFileAtomically(PathOf(FileNameOf(parsed->name, resource)), copy) != 0) {
    return ImageError::kIo;
  }
  ::unlink(PathOf(FileNameOf(parsed->name, !resource)).c_str());
  if (installedName != nullptr) *installedName = parsed->name;
  return ImageError::kNone;
}

std::optional<std::string> HandheldImage::ReadUserValue(std::string_view key) const {
  const auto text = ReadWholeFile(PathOf(kIdentityFileName));
  if (!text) return std::nullopt;
  return ReadIniValue(std::string(text->begin(), text->end()), kUserSection, key);
}

bool HandheldImage::WriteUserValues(std::span<const UserValue> values) const {
  const std::string path = PathOf(kIdentityFileName);
  const auto old = ReadWholeFile(path);
  std::string text = old ? std::string(old->begin(), old->end()) : std::string();
  for (const auto& [key, value] : values) {
    if (value.find_first_of("\r\n") != std::string::npos) return false;
    text = WriteIniValue(text, kUserSection, key, value);
  }
  return WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end())) == 0;
}

bool HandheldImage::WriteUserName(std::string_view name) const {
  const UserValue value{"Name", std::string(name)};
  return WriteUserValues({&value, 1});
}

uint32_t HandheldImage::ReadUserNumber(std::string_view key) const {
  const auto value = ReadUserValue(key);
  uint32_t id = 0;
  if (!value) return 0;
  const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), id);
  return (error == std::errc() && end == value->data() + value->size()) ? id : 0;
}

ImageError HandheldImage::ReadPreference(uint32_t creator, uint16_t id, bool saved,
                                         AppPreference* preference) const {
  PalmDatabase database;
  const ImageError loaded = LoadDatabase(PreferencesName(saved), &database);
  if (loaded != ImageError::kNone) return loaded;
  if (!database.IsResourceDatabase()) return ImageError::kDamaged;
  const PalmResource* resource = database.FindResource(creator, id);
  if (resource == nullptr) return ImageError::kNotFound;
  if (resource->data.size() < kPreferenceVersionSize) return ImageError::kDamaged;
  if (preference != nullptr) {
    preference->version = GetU16Be(resource->data, 0);
    preference->data.assign(resource->data.begin() + kPreferenceVersionSize, resource->data.end());
  }
  return ImageError::kNone;
}

ImageError HandheldImage::WritePreference(uint32_t creator, uint16_t id, bool saved,
                                          const AppPreference& preference) const {
  PalmDatabase database;
  const ImageError loaded = LoadDatabase(PreferencesName(saved), &database);
  if (loaded == ImageError::kNotFound) {
    database = NewPreferencesDatabase(saved);
  } else if (loaded != ImageError::kNone) {
    return loaded;
  } else if (!database.IsResourceDatabase()) {
    return ImageError::kDamaged;
  }
  ByteWriter writer(kPreferenceVersionSize + preference.data.size());
  writer.U16Be(preference.version);
  writer.Bytes(preference.data);
  if (PalmResource* resource = database.FindResource(creator, id)) {
    resource->data = writer.Take();
  } else {
    database.resources.push_back(PalmResource{creator, id, writer.Take()});
  }
  database.modified = std::time(nullptr);
  ++database.modificationNumber;
  return SaveDatabase(database);
}

}  // namespace platform::pdb
