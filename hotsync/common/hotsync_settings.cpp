// Reading and changing hotsync.ini and the users' user.ini.
#include "common/hotsync_settings.h"

#include <charconv>
#include <random>
#include <vector>

#include "common/hotsync_home.h"
#include "fs/file_lock.h"
#include "fs/fs.h"
#include "pdb/ini_text.h"

namespace hotsync {
namespace {

using platform::Failure;
using platform::Result;

std::string SettingsPath(const std::string& home) {
  return home + "/" + kSettingsFileName;
}
std::string UserSettingsPath(const std::string& home, const std::string& user) {
  return UserFolder(home, user) + "/" + kUserSettingsFileName;
}

std::string ReadText(const std::string& path) {
  int error = 0;
  std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(path, platform::kDefaultReadLimit, &error);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::optional<uint32_t> ReadNumber(const std::string& text, std::string_view section,
                                   std::string_view key) {
  const std::optional<std::string> value = platform::pdb::ReadIniValue(text, section, key);
  if (!value) return std::nullopt;
  uint32_t number = 0;
  const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), number);
  if (error != std::errc() || end != value->data() + value->size()) return std::nullopt;
  return number;
}

// Applies `change` to the file's text under its lock and writes it back.
template <typename Change>
Result<void> ChangeFile(const std::string& path, Change&& change) {
  platform::FileLock lock;
  if (lock.Lock(path + ".lock") != platform::FileLock::Result::kLocked) {
    return Failure{"cannot lock \"" + path + "\""};
  }
  const std::string text = change(ReadText(path));
  if (platform::WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end())) != 0) {
    return Failure{"cannot write \"" + path + "\""};
  }
  return {};
}

}  // namespace

NetworkSettings ReadNetworkSettings(const std::string& home) {
  const std::string text = ReadText(SettingsPath(home));
  NetworkSettings settings;
  settings.enabled = ReadNumber(text, "Network", "Enabled").value_or(0) != 0;
  const uint32_t port = ReadNumber(text, "Network", "Port").value_or(kDefaultNetworkPort);
  if (port >= 1 && port <= 65535) settings.port = static_cast<uint16_t>(port);
  return settings;
}

Result<void> WriteNetworkSettings(const std::string& home, const NetworkSettings& settings) {
  if (MakeFolders(home) != 0) return Failure{"cannot make the folder \"" + home + "\""};
  return ChangeFile(SettingsPath(home), [&](const std::string& text) {
    const std::string enabled =
        platform::pdb::WriteIniValue(text, "Network", "Enabled", settings.enabled ? "1" : "0");
    return platform::pdb::WriteIniValue(enabled, "Network", "Port", std::to_string(settings.port));
  });
}

CradleSettings ReadCradleSettings(const std::string& home) {
  const std::string text = ReadText(SettingsPath(home));
  CradleSettings settings;
  settings.serialDevice = platform::pdb::ReadIniValue(text, "Serial", "Device").value_or("");
  const uint32_t port = ReadNumber(text, "Serial", "TcpPort").value_or(0);
  if (port <= 65535) settings.serialTcpPort = static_cast<uint16_t>(port);
  const uint32_t speed = ReadNumber(text, "Serial", "Speed").value_or(0);
  if (speed > 0) settings.maxSpeed = speed;
  settings.usb = ReadNumber(text, "USB", "Enabled").value_or(0) != 0;
  return settings;
}

Result<void> WriteCradleSettings(const std::string& home, const CradleSettings& settings) {
  if (MakeFolders(home) != 0) return Failure{"cannot make the folder \"" + home + "\""};
  return ChangeFile(SettingsPath(home), [&](std::string text) {
    using platform::pdb::WriteIniValue;
    text = WriteIniValue(text, "Serial", "Device", settings.serialDevice);
    text = WriteIniValue(text, "Serial", "TcpPort", std::to_string(settings.serialTcpPort));
    text = WriteIniValue(text, "Serial", "Speed", std::to_string(settings.maxSpeed));
    return WriteIniValue(text, "USB", "Enabled", settings.usb ? "1" : "0");
  });
}

Result<uint32_t> ThisPcId(const std::string& home) {
  if (std::optional<uint32_t> id = ReadNumber(ReadText(SettingsPath(home)), "PC", "Id")) {
    if (*id != 0) return *id;
  }
  if (MakeFolders(home) != 0) return Failure{"cannot make the folder \"" + home + "\""};
  uint32_t id = 0;
  Result<void> written = ChangeFile(SettingsPath(home), [&](const std::string& text) {
    // Another HotSync may have made it while this one waited for the lock.
    id = ReadNumber(text, "PC", "Id").value_or(0);
    if (id != 0) return text;
    std::random_device random;
    while (id == 0) id = random();
    return platform::pdb::WriteIniValue(text, "PC", "Id", std::to_string(id));
  });
  if (!written) return Failure{written.Reason()};
  return id;
}

std::optional<uint32_t> RememberedUserId(const std::string& home, const std::string& user) {
  return ReadNumber(ReadText(UserSettingsPath(home, user)), "User", "Id");
}

Result<void> RememberUserId(const std::string& home, const std::string& user, uint32_t id) {
  if (MakeFolders(UserFolder(home, user)) != 0) {
    return Failure{"cannot make the folder of \"" + user + "\""};
  }
  return ChangeFile(UserSettingsPath(home, user), [&](const std::string& text) {
    return platform::pdb::WriteIniValue(text, "User", "Id", std::to_string(id));
  });
}

Result<bool> ForgetUserId(const std::string& home, const std::string& user) {
  if (!RememberedUserId(home, user)) return false;
  Result<void> written = ChangeFile(UserSettingsPath(home, user), [&](const std::string& text) {
    return platform::pdb::WriteIniValue(text, "User", "Id", "");
  });
  if (!written) return Failure{written.Reason()};
  return true;
}

}  // namespace hotsync
