// `hotsync configure --network on|off [--port PORT]` and
// `hotsync users [forget NAME]`: the manager's own settings.
#include <charconv>
#include <iostream>

#include "common/hotsync_home.h"
#include "common/hotsync_settings.h"
#include "manager/hotsync_commands.h"

namespace hotsync {
namespace {

std::optional<uint16_t> ParsePort(std::string_view text) {
  uint32_t port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(port);
}

int Usage(std::ostream& err, const std::string& message) {
  err << "hotsync: " << message << "\nTry 'hotsync --help'.\n";
  return kExitUnusable;
}

std::string HomeOrComplain(std::ostream& err) {
  const std::string home = HotSyncHome();
  if (home.empty()) err << "hotsync: no HotSync data folder: set HOTSYNC_HOME, XDG_DATA_HOME or HOME\n";
  return home;
}

}  // namespace

int RunConfigureNetwork(const std::vector<std::string_view>& arguments, std::ostream& out,
                        std::ostream& err) {
  const std::string home = HomeOrComplain(err);
  if (home.empty()) return kExitUnusable;
  NetworkSettings settings = ReadNetworkSettings(home);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view option = arguments[i];
    if (i + 1 == arguments.size()) return Usage(err, std::string(option) + " needs a value");
    const std::string_view value = arguments[++i];
    if (option == "--network" && (value == "on" || value == "off")) {
      settings.enabled = value == "on";
    } else if (option == "--port" && ParsePort(value)) {
      settings.port = *ParsePort(value);
    } else if (option == "--network" || option == "--port") {
      return Usage(err, std::string(option) + " takes " +
                            (option == "--port" ? "a port from 1 to 65535" : "on or off") +
                            ", not '" + std::string(value) + "'");
    } else {
      return Usage(err, "unknown option '" + std::string(option) + "'");
    }
  }
  if (platform::Result<void> written = WriteNetworkSettings(home, settings); !written) {
    err << "hotsync: " << written.Reason() << "\n";
    return kExitConduitFailed;
  }
  out << "Network HotSync is " << (settings.enabled ? "on" : "off") << " (TCP port "
      << settings.port << ")"
      << (settings.enabled ? "; the resident HotSync Manager waits for handhelds.\n" : ".\n");
  return kExitOk;
}

int RunUsers(const std::vector<std::string_view>& arguments, std::ostream& out, std::ostream& err) {
  const std::string home = HomeOrComplain(err);
  if (home.empty()) return kExitUnusable;
  if (arguments.empty()) {
    for (const std::string& user : ListUsers(home)) {
      const std::optional<uint32_t> id = RememberedUserId(home, user);
      out << user << "\t" << (id ? "handheld user ID " + std::to_string(*id) : "any handheld")
          << "\n";
    }
    return kExitOk;
  }
  if (arguments[0] != "forget" || arguments.size() != 2) {
    return Usage(err, "users takes nothing, or forget NAME");
  }
  const std::string user(arguments[1]);
  platform::Result<bool> forgotten = ForgetUserId(home, user);
  if (!forgotten) {
    err << "hotsync: " << forgotten.Reason() << "\n";
    return kExitConduitFailed;
  }
  out << (*forgotten ? "Forgot the handheld of \"" + user +
                           "\": the next handheld of that name becomes the user's.\n"
                     : "No handheld is remembered for \"" + user + "\".\n");
  return kExitOk;
}

}  // namespace hotsync
