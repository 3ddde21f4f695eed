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
#include "process/process_runner.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kCreatorId[] = "Vlmr";
constexpr char kConduitFileName[] = "VellamoreCnd.so";

constexpr char kUsage[] =
    "Usage: vellamore-setup [FOLDER]\n"
    "       vellamore-setup --remove\n"
    "\n"
    "Sets Vellamore up for the current user:\n"
    "  1. the data directory, which holds Vellamore.dat and the files received\n"
    "     from the handheld: FOLDER when given, else the one set before, else\n"
    "     $XDG_DATA_HOME/Vellamore (~/.local/share/Vellamore); it is created\n"
    "     and written to the setting DataDir;\n"
    "  2. the conduit's registration with the HotSync Manager (creator Vlmr).\n"
    "Running it again keeps what is set, or moves the data directory to FOLDER.\n"
    "\n"
    "  --remove   shuts the HotSync Manager down, removes the conduit's\n"
    "             registration and Vellamore's settings, and starts the HotSync\n"
    "             Manager again (uninst); the data directory and its files stay.\n"
    "\n"
    "Exit status: 0 done, 1 a step failed (see the message), 2 bad usage.\n";

int UsageError(const std::string& message) {
  std::cerr << "vellamore-setup: " << message << "\nTry 'vellamore-setup --help'.\n";
  return kExitUsage;
}

// Runs one of the programs beside this one and passes its output on.
bool RunBesideMe(const std::string& palmFolder, std::vector<std::string> argv) {
  argv[0] = palmFolder + "/" + argv[0];
  const platform::ProcessResult result = platform::RunProcess(argv);
  std::cout << result.standardOutput << std::flush;
  std::cerr << result.standardError << std::flush;
  if (result.Succeeded()) return true;
  std::cerr << "vellamore-setup: " << argv[0] << " " << platform::DescribeProcessResult(result)
            << "\n";
  return false;
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
  const std::string conduit = palmFolder + "/" + kConduitFileName;
  if (!RunBesideMe(palmFolder, {"condcfg", "add", kCreatorId, conduit})) return kExitFailed;
  std::cout << "Conduit registered with the HotSync Manager: " << kCreatorId << " " << conduit
            << "\n";
  return kExitOk;
}

int Remove(const std::string& palmFolder) {
  if (!RunBesideMe(palmFolder, {"uninst", "-c", palmFolder + "/instaide.so"})) return kExitFailed;
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
