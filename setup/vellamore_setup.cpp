// vellamore-setup: makes Vellamore ready for the current user (chooses and
// creates the data directory, writes "DataDir", registers the conduit with
// the HotSync Manager), or with --remove takes it away again through the
// uninstaller. Every step says what it did; running it twice changes
// nothing more.
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "data_folder.h"
#include "palm_programs.h"
#include "settings_removal.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: vellamore-setup [FOLDER]\n"
    "       vellamore-setup --remove\n"
    "\n"
    "Sets Vellamore up for the current user:\n"
    "  1. the data directory, which holds Vellamore.dat and the files received\n"
    "     from the handheld: FOLDER when given, else the one set up before, else\n"
    "     $XDG_DATA_HOME/Vellamore (~/.local/share/Vellamore). It is created and\n"
    "     written to the setting DataDir.\n"
    "  2. the conduit's registration with the HotSync Manager.\n"
    "Running it again changes nothing, unless FOLDER names another data\n"
    "directory: Vellamore then uses that one, and the files in the old one stay\n"
    "where they are.\n"
    "\n"
    "  --remove    takes Vellamore away for the current user: removes the\n"
    "              conduit's registration and Vellamore's settings. A HotSync\n"
    "              Manager that is running is stopped meanwhile and started\n"
    "              again. The data directory and its files stay.\n"
    "  -h, --help  shows this help.\n"
    "\n"
    "Exit status: 0 done, 1 a step failed (its message says which), 2 bad usage.\n";

// How a handheld that HotSyncs over the network reaches this PC.
constexpr char kNetworkHotSyncHint[] =
    "Handhelds that HotSync over the network reach this PC on TCP port 14238\n"
    "(let it through the firewall). To have the HotSync Manager wait for them\n"
    "whenever you are logged in:\n"
    "  hotsync configure --network on\n"
    "  systemctl --user enable --now vellamore-hotsync\n"
    "or run 'hotsync listen' while you HotSync.\n";

int UsageError(const std::string& message) {
  std::cerr << "vellamore-setup: " << message << "\nTry 'vellamore-setup --help'.\n";
  return kExitUsage;
}

// Passes on what a program said; false, with why, when it failed.
bool Report(const setup::PalmStep& step) {
  std::cerr << step.messages << std::flush;
  if (!step.succeeded) std::cerr << "vellamore-setup: " << step.failure << "\n";
  return step.succeeded;
}

int ChooseDataFolder(const std::string& requested) {
  const std::optional<std::string> configured = setup::ConfiguredDataFolder();
  if (requested.empty() && configured) {
    std::cout << "Data directory: " << *configured << " (already set up)\n";
    return kExitOk;
  }
  const std::string folder = requested.empty() ? setup::DefaultDataFolder() : requested;
  std::string failedStep;
  if (int error = setup::UseDataFolder(folder, &failedStep); error != 0) {
    std::cerr << "vellamore-setup: " << failedStep << ": " << std::strerror(error) << "\n";
    return kExitFailed;
  }
  std::cout << "Data directory: " << folder << " (written to DataDir)\n";
  return kExitOk;
}

int SetUp(const std::string& palmFolder, const std::string& requested) {
  if (int result = ChooseDataFolder(requested); result != kExitOk) return result;
  if (!Report(setup::RegisterConduit(palmFolder))) return kExitFailed;
  std::cout << "Conduit registered with the HotSync Manager: " << setup::ConduitPath(palmFolder)
            << "\n" << kNetworkHotSyncHint;
  return kExitOk;
}

int Remove(const std::string& palmFolder) {
  if (!Report(setup::RunUninstaller(palmFolder))) return kExitFailed;
  if (uninstall::VellamoreSettingsRemain()) {
    std::cerr << "vellamore-setup: Vellamore's settings could not be removed; they are still in "
              << uninstall::VellamoreSettingsFile() << "\n";
    return kExitFailed;
  }
  std::cout << "Vellamore's conduit registration and settings are removed; the data "
               "directory and its files are left in place.\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  bool remove = false;
  std::string folder;
  for (std::string_view argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return kExitOk;
    }
    if (argument == "--remove") {
      remove = true;
    } else if (!argument.empty() && argument.front() == '-') {
      return UsageError("unknown option '" + std::string(argument) + "'");
    } else if (folder.empty() && !argument.empty()) {
      folder = std::filesystem::absolute(std::string(argument)).lexically_normal().string();
    } else {
      return UsageError("one data directory at a time");
    }
  }
  if (remove && !folder.empty()) return UsageError("--remove takes no folder");
  const std::string palmFolder = setup::OwnFolder();
  if (palmFolder.empty()) {
    std::cerr << "vellamore-setup: cannot find the folder of its own program\n";
    return kExitFailed;
  }
  return remove ? Remove(palmFolder) : SetUp(palmFolder, folder);
}
