// `hotsync configure` of the links (network, serial, USB) and
// `hotsync users [forget NAME]`: the manager's own settings.
#include <charconv>
#include <iostream>

#include "common/hotsync_home.h"
#include "common/hotsync_settings.h"
#include "link/serial_line.h"
#include "manager/hotsync_commands.h"

namespace hotsync {

using platform::Result;

std::optional<uint32_t> ParseSerialSpeed(std::string_view text) {
  uint32_t speed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), speed);
  if (error != std::errc() || end != text.data() + text.size() ||
      !platform::link::IsSerialSpeed(speed)) {
    return std::nullopt;
  }
  return speed;
}

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
  if (home.empty())
    err << "hotsync: no HotSync data folder: set HOTSYNC_HOME, XDG_DATA_HOME or HOME\n";
  return home;
}

// Applies one `hotsync configure` option; a usage failure when its value
// does not fit.
Result<void> ApplyLinkOption(std::string_view option, std::string_view value,
                             NetworkSettings& network, CradleSettings& cradle) {
  const bool onOff = value == "on" || value == "off";
  if (option == "--network" && onOff) {
    network.enabled = value == "on";
  } else if (option == "--port" && ParsePort(value)) {
    network.port = *ParsePort(value);
  } else if (option == "--serial" && !value.empty()) {
    cradle.serialDevice = value == "off" ? "" : std::string(value);
  } else if (option == "--serial-tcp" && (value == "off" || ParsePort(value))) {
    cradle.serialTcpPort = value == "off" ? 0 : *ParsePort(value);
  } else if (option == "--speed" && ParseSerialSpeed(value)) {
    cradle.maxSpeed = *ParseSerialSpeed(value);
  } else if (option == "--usb" && onOff) {
    cradle.usb = value == "on";
  } else if (option == "--network" || option == "--usb") {
    return platform::Failure{std::string(option) + " takes on or off, not '" + std::string(value) +
                             "'"};
  } else if (option == "--port" || option == "--serial-tcp") {
    return platform::Failure{std::string(option) + " takes a port from 1 to 65535" +
                             (option == "--serial-tcp" ? " or off" : "") + ", not '" +
                             std::string(value) + "'"};
  } else if (option == "--speed") {
    return platform::Failure{"--speed takes a serial speed in bit/s (9600 to 1000000), not '" +
                             std::string(value) + "'"};
  } else {
    return platform::Failure{"unknown option '" + std::string(option) + "'"};
  }
  return {};
}

void PrintLinks(const NetworkSettings& network, const CradleSettings& cradle, std::ostream& out) {
  out << "Network HotSync is " << (network.enabled ? "on" : "off") << " (TCP port " << network.port
      << ").\n";
  out << "Serial line: "
      << (cradle.serialDevice.empty() ? std::string("none") : cradle.serialDevice) << ".\n";
  out << "Serial over TCP: "
      << (cradle.serialTcpPort == 0 ? std::string("off")
                                    : "TCP port " + std::to_string(cradle.serialTcpPort))
      << ".\n";
  out << "Highest serial speed: " << cradle.maxSpeed << " bit/s.\n";
  out << "USB HotSync is " << (cradle.usb ? "on" : "off") << ".\n";
  const bool any =
      network.enabled || !cradle.serialDevice.empty() || cradle.serialTcpPort != 0 || cradle.usb;
  if (any) out << "The resident HotSync Manager waits for handhelds on these links.\n";
}

}  // namespace

int RunConfigureLinks(const std::vector<std::string_view>& arguments, std::ostream& out,
                      std::ostream& err) {
  const std::string home = HomeOrComplain(err);
  if (home.empty()) return kExitUnusable;
  NetworkSettings network = ReadNetworkSettings(home);
  CradleSettings cradle = ReadCradleSettings(home);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view option = arguments[i];
    if (i + 1 == arguments.size()) return Usage(err, std::string(option) + " needs a value");
    if (Result<void> applied = ApplyLinkOption(option, arguments[++i], network, cradle); !applied) {
      return Usage(err, applied.Reason());
    }
  }
  Result<void> written = WriteNetworkSettings(home, network);
  if (written) written = WriteCradleSettings(home, cradle);
  if (!written) {
    err << "hotsync: " << written.Reason() << "\n";
    return kExitConduitFailed;
  }
  PrintLinks(network, cradle, out);
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
