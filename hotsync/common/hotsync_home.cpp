// The HotSync Manager's data folder and the names of the folders in it.
#include "hotsync_home.h"

#include <cerrno>
#include <cstdlib>

#include "fs/fs.h"

namespace hotsync {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendEscaped(std::string& out, char c) {
  const auto byte = static_cast<unsigned char>(c);
  out += '%';
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

}  // namespace

std::string HotSyncHome() {
  std::string home = EnvironmentValue("HOTSYNC_HOME");
  if (!home.empty()) return home;
  std::string data = EnvironmentValue("XDG_DATA_HOME");
  if (!data.empty() && data.front() == '/') return data + "/HotSync";
  std::string userHome = EnvironmentValue("HOME");
  if (!userHome.empty()) return userHome + "/.local/share/HotSync";
  return {};
}

std::string FolderNameOfUser(std::string_view user) {
  std::string name;
  name.reserve(user.size());
  for (size_t i = 0; i < user.size(); ++i) {
    const char c = user[i];
    if (c == '/' || c == '%' || (i == 0 && c == '.')) {
      AppendEscaped(name, c);
    } else {
      name += c;
    }
  }
  return name;
}

std::optional<std::string> UserOfFolderName(std::string_view folderName) {
  std::string user;
  for (size_t i = 0; i < folderName.size(); ++i) {
    if (folderName[i] != '%') {
      user += folderName[i];
      continue;
    }
    if (i + 2 >= folderName.size()) return std::nullopt;
    const int high = HexValue(folderName[i + 1]);
    const int low = HexValue(folderName[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    user += static_cast<char>(high * 16 + low);
    i += 2;
  }
  // Only the one spelling that FolderNameOfUser makes counts, so that two
  // folders never stand for the same user.
  if (user.empty() || FolderNameOfUser(user) != folderName) return std::nullopt;
  return user;
}

std::string UserFolder(const std::string& home, std::string_view user) {
  return home + "/" + FolderNameOfUser(user);
}

std::string UserLogPath(const std::string& home, std::string_view user) {
  return UserFolder(home, user) + "/" + kLogFileName;
}

std::string InstallQueueFolder(const std::string& home, std::string_view user) {
  return UserFolder(home, user) + "/" + kInstallFolderName;
}

std::vector<std::string> ListUsers(const std::string& home) {
  std::vector<std::string> users;
  if (home.empty()) return users;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(home, "*")) {
    if (!entry.isDirectory) continue;
    if (std::optional<std::string> user = UserOfFolderName(entry.name)) {
      users.push_back(std::move(*user));
    }
  }
  return users;
}

int MakeFolders(const std::string& path) {
  if (path.empty()) return ENOENT;
  return platform::MakeFolders(path, 0700);
}

}  // namespace hotsync
