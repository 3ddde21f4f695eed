// The registry calls on top of the INI files: where a key lives, reading
// without a lock, and changing a file under its lock through a temporary
// file and a rename.
#include "settings.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>

#include "fs/fs.h"
#include "ini_escape.h"
#include "ini_file.h"
#include "key_files.h"
#include "utf_text.h"

namespace platform::settings {
namespace {

constexpr std::string_view kRootKey = "Software";
constexpr std::string_view kConfExtension = ".conf";

// Where a registry key lives. depth counts the names below "Software".
struct KeyLocation {
  size_t depth = 0;
  std::string folder;  // "Software": the root; company: its folder; program: <company>/<program>
  std::string file;    // the .conf file that holds the key's values (none for "Software")
  std::string prefix;  // the key's path inside that file, '/'-separated
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsValidName(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos && IsValidUtf8(name);
}

bool IsValidValueName(std::string_view name) {
  return IsValidName(name) && name.find('\\') == std::string_view::npos;
}

std::string Join(std::string_view prefix, std::string_view name) {
  if (prefix.empty()) return std::string(name);
  std::string joined(prefix);
  joined += '/';
  joined += name;
  return joined;
}

std::optional<KeyLocation> Locate(std::string_view key) {
  std::vector<std::string_view> parts;
  size_t pos = 0;
  while (pos <= key.size()) {
    size_t slash = std::min(key.find('\\', pos), key.size());
    parts.push_back(key.substr(pos, slash - pos));
    pos = slash + 1;
  }
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // trailing '\'
  if (!EqualsIgnoringCase(parts[0], kRootKey)) return std::nullopt;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!IsValidName(parts[i])) return std::nullopt;
    // The company and the program are names of files and folders.
    if (i <= 2 && (parts[i] == "." || parts[i] == "..")) return std::nullopt;
  }
  KeyLocation location;
  location.depth = parts.size() - 1;
  std::string root = ConfigRoot();
  if (root.empty()) return std::nullopt;
  location.folder = root;
  if (root == "/") root.clear();  // so that paths below it begin with one '/'
  if (location.depth >= 1) {
    location.folder = root + "/" + std::string(parts[1]);
    location.file = location.folder + std::string(kConfExtension);
  }
  if (location.depth >= 2) {
    location.file = location.folder + "/" + std::string(parts[2]) + std::string(kConfExtension);
    location.folder += '/';
    location.folder += parts[2];
  }
  for (size_t i = 3; i < parts.size(); ++i) location.prefix = Join(location.prefix, parts[i]);
  return location;
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The parsed file; nothing when it does not exist or cannot be read.
std::optional<IniFile> ReadIni(const std::string& file) {
  if (file.empty()) return std::nullopt;
  std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(file);
  if (!bytes) return std::nullopt;
  return IniFile::Parse(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// Reads `file`, lets `change` edit it (a non-zero result gives up with that
// errno) and replaces it; the caller holds its lock. A missing file starts
// empty when `create` is set and is ENOENT otherwise.
int ChangeLockedFile(const std::string& file, bool create,
                     const std::function<int(IniFile&)>& change) {
  IniFile ini;
  int readError = 0;
  if (std::optional<std::vector<uint8_t>> bytes =
          ReadWholeFile(file, kDefaultReadLimit, &readError)) {
    ini = IniFile::Parse(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  } else if (readError != ENOENT) {
    // A file that exists but cannot be read (no permission, a folder, a
    // pipe, too large) must not be replaced by one holding only the new
    // value.
    return readError;
  } else if (!create) {
    return ENOENT;
  }
  if (int error = change(ini)) return error;
  std::string text = ini.Serialise();
  return WriteFileAtomically(file, std::vector<uint8_t>(text.begin(), text.end()));
}

// Changes `file` under its lock (see ChangeLockedFile).
int ChangeFile(const std::string& file, bool create, const std::function<int(IniFile&)>& change) {
  if (!create && !PathExists(file)) return ENOENT;
  ConfLock lock;
  if (int error = lock.Acquire(LockPathOf(file))) return error;
  const int result = ChangeLockedFile(file, create, change);
  // A lock without its file (removed while we waited, or never written
  // because the change failed) guards nothing and would only keep the
  // folder from being removed.
  if (!PathExists(file)) lock.RemoveFile();
  return result;
}

// Sub-keys of a folder: its folders and its .conf files, by name.
std::vector<std::string> FolderSubKeys(const std::string& folder) {
  std::vector<std::string> names;
  for (const DirectoryEntry& entry : ListDirectory(folder, "*")) {
    if (entry.isDirectory) {
      names.push_back(entry.name);
    } else if (entry.name.size() > kConfExtension.size() && entry.name.ends_with(kConfExtension)) {
      names.push_back(entry.name.substr(0, entry.name.size() - kConfExtension.size()));
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

// Names one level below `prefix` in a file: of sub-keys (`keys`) or values.
std::vector<std::string> NamesBelow(const IniFile& ini, const std::string& prefix, bool keys) {
  std::string head = prefix.empty() ? std::string() : prefix + "/";
  std::vector<std::string> names;
  for (const IniEntry& entry : ini.Entries()) {
    if (!entry.key.starts_with(head)) continue;
    std::string_view rest = std::string_view(entry.key).substr(head.size());
    size_t slash = rest.find('/');
    if (keys && slash != std::string_view::npos) names.emplace_back(rest.substr(0, slash));
    if (!keys && slash == std::string_view::npos) names.emplace_back(rest);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

// Removes a .conf file with its lock, and the settings files in the folder
// of the same key (see key_files.h). A lock left behind by a writer that was
// killed goes too, even when the key itself was not there.
int DeleteFileKey(const std::string& file, const std::string& folder) {
  const bool existed = PathExists(file) || IsFolder(folder);
  int error = IsFolder(FolderOfPath(file)) ? RemoveConfFile(file, true) : 0;
  if (int folderError = RemoveSettingsFolder(folder); error == 0) error = folderError;
  if (error != 0) return error;
  return existed ? 0 : ENOENT;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return {};
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string ConfigRoot() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  if (configHome != nullptr && configHome[0] == '/') return WithoutTrailingSlashes(configHome);
  std::string home = HomeFolder();
  if (home.empty()) return {};
  home = WithoutTrailingSlashes(home);
  return (home == "/" ? std::string() : home) + "/.config";
}

std::string FileOfKey(std::string_view key) {
  std::optional<KeyLocation> location = Locate(key);
  return location ? location->file : std::string();
}

std::optional<std::string> QueryValue(std::string_view key, std::string_view value) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location || location->depth == 0 || !IsValidValueName(value)) return std::nullopt;
  std::optional<IniFile> ini = ReadIni(location->file);
  if (!ini) return std::nullopt;
  const IniEntry* entry = ini->Find(Join(location->prefix, value));
  if (entry == nullptr) return std::nullopt;
  return DecodeValue(entry->stored);
}

int SetValue(std::string_view key, std::string_view value, std::string_view data) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location || location->depth == 0 || !IsValidValueName(value)) return EINVAL;
  // The configuration folder is private to its user; the company folders
  // take the usual permissions, as QSettings makes them.
  if (int error = MakeFolders(ConfigRoot(), 0700)) return error;
  if (int error = MakeFolders(FolderOfPath(location->file), 0777)) return error;
  std::string name = Join(location->prefix, value);
  return ChangeFile(location->file, true, [&](IniFile& ini) {
    ini.Set(name, EncodeValue(data));
    return 0;
  });
}

bool KeyExists(std::string_view key) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location) return false;
  if (location->depth <= 2) {
    return IsFolder(location->folder) || (!location->file.empty() && PathExists(location->file));
  }
  std::optional<IniFile> ini = ReadIni(location->file);
  if (!ini) return false;
  std::string head = location->prefix + "/";
  return std::any_of(ini->Entries().begin(), ini->Entries().end(),
                     [&](const IniEntry& entry) { return entry.key.starts_with(head); });
}

std::vector<std::string> EnumKeys(std::string_view key) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location) return {};
  if (location->depth <= 1) return FolderSubKeys(location->folder);
  std::optional<IniFile> ini = ReadIni(location->file);
  if (!ini) return {};
  return NamesBelow(*ini, location->prefix, true);
}

std::vector<std::string> EnumValues(std::string_view key) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location || location->depth == 0) return {};
  std::optional<IniFile> ini = ReadIni(location->file);
  if (!ini) return {};
  return NamesBelow(*ini, location->prefix, false);
}

int DeleteValue(std::string_view key, std::string_view value) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location || location->depth == 0 || !IsValidValueName(value)) return EINVAL;
  std::string name = Join(location->prefix, value);
  return ChangeFile(location->file, false,
                    [&](IniFile& ini) { return ini.Remove(name) ? 0 : ENOENT; });
}

int DeleteKey(std::string_view key) {
  std::optional<KeyLocation> location = Locate(key);
  if (!location) return EINVAL;
  if (location->depth == 0) return EPERM;
  if (location->depth <= 2) return DeleteFileKey(location->file, location->folder);
  return ChangeFile(location->file, false, [&](IniFile& ini) {
    return ini.RemoveBelow(location->prefix) > 0 ? 0 : ENOENT;
  });
}

}  // namespace platform::settings
