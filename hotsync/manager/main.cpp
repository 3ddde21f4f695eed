// hotsync: the HotSync Manager. Runs one HotSync of a handheld image,
// lets a conduit choose its action, or stays resident with its window.
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/hotsync_commands.h"

namespace {

using hotsync::kExitOk;
using hotsync::kExitUnusable;

constexpr char kUsage[] =
    "Usage: hotsync [-r | --resident]\n"
    "       hotsync sync IMAGE [--sync-type N]\n"
    "       hotsync listen [LINK...] [--once] [--timeout SECONDS]\n"
    "       hotsync configure CREATOR\n"
    "       hotsync configure [--network on|off] [--port PORT] [--serial DEVICE|off]\n"
    "                         [--serial-tcp PORT|off] [--speed BAUD] [--usb on|off]\n"
    "       hotsync users [forget NAME]\n"
    "       hotsync COMMAND --help\n"
    "\n"
    "The HotSync Manager. Its data (HotSync users with their logs and install\n"
    "queues, conduit registrations) lives in $HOTSYNC_HOME, by default\n"
    "$XDG_DATA_HOME/HotSync (~/.local/share/HotSync).\n"
    "\n"
    "Without a command, or with -r, it keeps running in the background until\n"
    "it is asked to quit, as the uninstaller and vellamore-setup --remove do;\n"
    "it also waits for handhelds as 'hotsync listen' does on the links that\n"
    "'hotsync configure' turned on (network, serial line, serial over TCP, USB).\n"
    "\n"
    "Exit status: 0 success, 1 a conduit failed or the handheld is busy with\n"
    "another HotSync, 2 bad usage or an unusable image or data folder.\n";

constexpr char kSyncUsage[] =
    "Usage: hotsync sync IMAGE [--sync-type N]\n"
    "\n"
    "Runs one HotSync of the handheld image folder IMAGE:\n"
    "  1. reads the user from IMAGE/handheld.ini (a new user gets a folder in\n"
    "     $HOTSYNC_HOME);\n"
    "  2. installs the user's queued PRC and PDB files into the image (a file\n"
    "     that is not a valid Palm database is reported and dropped from the\n"
    "     queue);\n"
    "  3. runs every registered conduit with its sync type: the type chosen\n"
    "     for the next HotSync only (then cleared), else its default;\n"
    "  4. prints each log entry as a conduit writes it, after a number that says\n"
    "     what it is: -1 note, 19 started, 20 done, 21 done with failure,\n"
    "     22 warning or error. The entries are also appended to\n"
    "     $HOTSYNC_HOME/<user>/HotSync.log.\n"
    "\n"
    "  --sync-type N   run every conduit of this HotSync with sync type N:\n"
    "                  0 synchronize (fast), 1 synchronize (slow), 2 handheld\n"
    "                  overwrites PC, 3 PC overwrites handheld, 4 install,\n"
    "                  5 backup, 6 do nothing. A choice made for the next\n"
    "                  HotSync only then waits for the HotSync after this one.\n"
    "\n"
    "Only one HotSync runs on an image at a time: it holds the image's lock\n"
    "from start to end, and a second one says the handheld is busy.\n"
    "\n"
    "Exit status: 0 every conduit returned 0, 1 a conduit returned an error or\n"
    "could not be loaded, or the handheld is busy with another HotSync, 2 the\n"
    "image or the data folder cannot be used.\n";

constexpr char kListenUsage[] =
    "Usage: hotsync listen [--port PORT] [--address ADDR] [--serial DEVICE]\n"
    "                      [--serial-tcp PORT] [--usb] [--speed BAUD] [--once]\n"
    "                      [--timeout SECONDS]\n"
    "\n"
    "Waits for handhelds and runs one HotSync per handheld, one at a time. A\n"
    "handheld reaches this PC over the network (its network HotSync, with this\n"
    "PC as its primary PC), a serial cradle, serial bytes over TCP (as\n"
    "emulators offer their serial port) or USB:\n"
    "  1. the handheld's user becomes the HotSync user of that name (a new one\n"
    "     gets a folder in $HOTSYNC_HOME). A user's first HotSync remembers the\n"
    "     handheld's user ID; another handheld giving the same name is refused\n"
    "     (see 'hotsync users'). A handheld without a user name is refused;\n"
    "  2. the user's install queue is installed onto the handheld (what fails\n"
    "     stays queued);\n"
    "  3. every registered conduit whose creator has a database on the handheld\n"
    "     runs, unless the user cancels on the handheld;\n"
    "  4. every database that is new or changed since the last HotSync is\n"
    "     backed up to $HOTSYNC_HOME/<user>/Backup/;\n"
    "  5. the log is written to the handheld and to $HOTSYNC_HOME/<user>/HotSync.log.\n"
    "\n"
    "  --port PORT        network HotSync on this TCP port (default 14238, the\n"
    "                     handhelds' own; 0 takes a free port and prints it)\n"
    "  --address ADDR     listen on this address only (default every address)\n"
    "  --serial DEVICE    a serial line, such as /dev/ttyS0 or /dev/ttyUSB0\n"
    "  --serial-tcp PORT  serial bytes over this TCP port (0: a free one)\n"
    "  --usb              USB handhelds (through the kernel's visor driver or\n"
    "                     directly)\n"
    "  --speed BAUD       the highest speed offered on serial links (default\n"
    "                     115200; lower it for adapters that fail at it)\n"
    "  --once             end after one HotSync, with its exit status\n"
    "  --timeout SECONDS  the longest wait for any answer of the handheld\n"
    "                     (default 30)\n"
    "\n"
    "Network HotSync is on unless only --serial, --serial-tcp or --usb are\n"
    "given; --port with them turns it on as well. --address applies to both\n"
    "TCP links.\n"
    "\n"
    "Ends on SIGINT or SIGTERM once the HotSync in progress is over. Exit\n"
    "status with --once as 'hotsync sync'.\n";

constexpr char kConfigureUsage[] =
    "Usage: hotsync configure CREATOR\n"
    "       hotsync configure [--network on|off] [--port PORT] [--serial DEVICE|off]\n"
    "                         [--serial-tcp PORT|off] [--speed BAUD] [--usb on|off]\n"
    "\n"
    "Shows the action dialog of the conduit registered under CREATOR (Vellamore's\n"
    "is Vlmr), starting from its current sync type. A choice confirmed with \"Set\n"
    "as default\" becomes its sync type; otherwise it is used for the next\n"
    "HotSync only. Cancelling changes nothing.\n"
    "\n"
    "With the link options, chooses the links on which the resident HotSync\n"
    "Manager (hotsync -r) waits for handhelds, as `hotsync listen` does:\n"
    "network HotSync on TCP port PORT (14238 unless set), a serial line,\n"
    "serial bytes over a TCP port, USB, and the highest serial speed\n"
    "(115200 unless set). It prints what is set.\n"
    "\n"
    "Exit status: 0 chosen or cancelled, 1 the conduit failed or the choice\n"
    "could not be kept, 2 no such conduit or it cannot be loaded.\n";

constexpr char kUsersUsage[] =
    "Usage: hotsync users [forget NAME]\n"
    "\n"
    "Lists the HotSync users with the handheld each one syncs from. A user's\n"
    "first HotSync from a handheld remembers that handheld's user ID; another\n"
    "handheld that gives the same name is refused. 'forget NAME' lets the next\n"
    "handheld of that name HotSync as the user (a new or reset handheld).\n";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsHelp(std::string_view argument) {
  return argument == "--help" || argument == "-h";
}

int UsageError(const std::string& message) {
  std::cerr << "hotsync: " << message << "\nTry 'hotsync --help'.\n";
  return kExitUnusable;
}

int SyncCommand(const std::vector<std::string_view>& arguments) {
  hotsync::SyncOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (IsHelp(argument)) {
      std::cout << kSyncUsage;
      return kExitOk;
    }
    if (argument == "--sync-type") {
      if (++i == arguments.size()) return UsageError("--sync-type needs a number");
      int32_t type = -1;
      const std::string_view value = arguments[i];
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), type);
      if (error != std::errc() || end != value.data() + value.size() || type < 0 || type > 6) {
        return UsageError("--sync-type takes a number from 0 to 6, not '" + std::string(value) +
                          "'");
      }
      options.syncType = type;
    } else if (!argument.empty() && argument.front() == '-') {
      return UsageError("unknown option '" + std::string(argument) + "'");
    } else if (options.imageFolder.empty()) {
      options.imageFolder = std::string(argument);
    } else {
      return UsageError("sync takes one image folder");
    }
  }
  if (options.imageFolder.empty()) return UsageError("sync needs an image folder");
  return hotsync::RunHotSync(options, std::cout, std::cerr);
}

std::optional<double> ParseSeconds(std::string_view text) {
  double seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
      seconds > 3600) {
    return std::nullopt;
  }
  return seconds;
}

int ListenCommand(const std::vector<std::string_view>& arguments) {
  hotsync::ListenOptions options;
  bool networkAsked = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (IsHelp(argument)) {
      std::cout << kListenUsage;
      return kExitOk;
    }
    if (argument == "--once" || argument == "--usb") {
      (argument == "--once" ? options.once : options.usb) = true;
      continue;
    }
    if (argument != "--port" && argument != "--address" && argument != "--timeout" &&
        argument != "--serial" && argument != "--serial-tcp" && argument != "--speed") {
      return UsageError("unknown option '" + std::string(argument) + "'");
    }
    if (++i == arguments.size()) return UsageError(std::string(argument) + " needs a value");
    const std::string_view value = arguments[i];
    if (argument == "--address") {
      options.address = std::string(value);
    } else if (argument == "--serial") {
      options.serialDevice = std::string(value);
    } else if (argument == "--speed") {
      const std::optional<uint32_t> speed = hotsync::ParseSerialSpeed(value);
      if (!speed) {
        return UsageError("--speed takes a serial speed in bit/s (9600 to 1000000), not '" +
                          std::string(value) + "'");
      }
      options.maxSerialSpeed = *speed;
    } else if (argument == "--port" || argument == "--serial-tcp") {
      uint32_t port = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
      if (error != std::errc() || end != value.data() + value.size() || port > 65535) {
        return UsageError(std::string(argument) + " takes a number from 0 to 65535, not '" +
                          std::string(value) + "'");
      }
      if (argument == "--port") {
        options.port = static_cast<uint16_t>(port);
        networkAsked = true;
      } else {
        options.serialTcpPort = static_cast<uint16_t>(port);
      }
    } else {
      const std::optional<double> seconds = ParseSeconds(value);
      if (!seconds) return UsageError("--timeout takes seconds, more than 0 and at most 3600");
      options.timeout = std::chrono::milliseconds(static_cast<int64_t>(*seconds * 1000 + 0.5));
    }
  }
  const bool otherLinks = !options.serialDevice.empty() || options.serialTcpPort || options.usb;
  options.network = networkAsked || !otherLinks;
  return hotsync::RunListen(options, std::cout, std::cerr);
}

// Prints `usage` and returns true when the arguments ask for help.
bool AskedForHelp(const std::vector<std::string_view>& arguments, const char* usage) {
  for (std::string_view argument : arguments) {
    if (IsHelp(argument)) {
      std::cout << usage;
      return true;
    }
  }
  return false;
}

int ConfigureCommand(const std::vector<std::string_view>& arguments) {
  if (AskedForHelp(arguments, kConfigureUsage)) return kExitOk;
  if (!arguments.empty() && arguments[0].starts_with("--")) {
    return hotsync::RunConfigureLinks(arguments, std::cout, std::cerr);
  }
  if (arguments.size() != 1) return UsageError("configure takes one creator ID");
  return hotsync::RunConfigure(std::string(arguments[0]), std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  // Restarters may pass the option with the blank that led it on their
  // command line (" -r").
  const std::string_view first = arguments.empty() ? "" : Trimmed(arguments[0]);
  if (arguments.empty() || (arguments.size() == 1 && (first == "-r" || first == "--resident"))) {
    return hotsync::RunResident(std::cout, std::cerr);
  }
  const std::string_view command = arguments[0];
  const std::vector<std::string_view> rest(arguments.begin() + 1, arguments.end());
  if (IsHelp(command)) {
    std::cout << kUsage;
    return kExitOk;
  }
  if (command == "sync") return SyncCommand(rest);
  if (command == "listen") return ListenCommand(rest);
  if (command == "configure") return ConfigureCommand(rest);
  if (command == "users") {
    if (AskedForHelp(rest, kUsersUsage)) return kExitOk;
    return hotsync::RunUsers(rest, std::cout, std::cerr);
  }
  return UsageError("unknown command '" + std::string(command) + "'");
}
