// vellamore-start (installed as "vellamore"): starts the desktop program
// Vellamore, which lives beside this launcher, after setting up for the
// current user what is still missing, by the same steps as vellamore-setup:
// the data directory ($XDG_DATA_HOME/Vellamore, created and written to
// "DataDir") and the conduit's registration with the HotSync Manager. An
// installed program's folder belongs to root and cannot hold Vellamore.dat
// (nor should it, for root), so the launcher always sets up a data
// directory of the user's own. Started directly from a source build, the
// program takes its own folder.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "data_folder.h"
#include "palm_programs.h"
#include "process/process_runner.h"
#include "program_names.h"  // store/
#include "settings/settings.h"

namespace {

constexpr char kDesktopProgram[] = "Vellamore";
using store::kDataDirValue;
using store::kDirectoriesKey;
constexpr std::chrono::seconds kHelpTimeLimit{10};

constexpr char kUsageHead[] =
    "Usage: vellamore [options]\n"
    "\n"
    "Starts Vellamore's desktop program, which keeps the list of PC files that\n"
    "the conduit sends to the handheld at each HotSync, per HotSync user and\n"
    "category, and shows the files received from the handheld. What is not set\n"
    "up yet for the current user is set up first, as vellamore-setup does it:\n"
    "the data directory, and the conduit's registration with the HotSync\n"
    "Manager.\n"
    "\n";

// The desktop program's help from this line on lists its options, which
// are the launcher's too.
constexpr char kOptionsHeading[] = "Options:";

// Where the data directory is, and which setting says so.
void PrintDataDirectory() {
  const std::string settingsFile = platform::settings::FileOfKey(kDirectoriesKey);
  if (std::optional<std::string> folder = setup::ConfiguredDataFolder()) {
    std::cout << "Data directory: " << *folder << "\n"
              << "  It is named by the setting DataDir (group [Directories]) in\n"
              << "  " << settingsFile << ".\n"
              << "  vellamore-setup FOLDER chooses another.\n";
    return;
  }
  const std::string folder = setup::DefaultDataFolder();
  std::cout << "Data directory: " << (folder.empty() ? "none, as no home folder is known" : folder)
            << " (not set up yet)\n"
            << "  The first start creates it and writes it to the setting DataDir\n"
            << "  (group [Directories]) in " << settingsFile << ".\n";
  if (std::optional<std::string> stale =
          platform::settings::QueryValue(kDirectoriesKey, kDataDirValue);
      stale && !stale->empty()) {
    std::cout << "  DataDir names " << *stale << " now, which is no folder.\n";
  }
}

void SetUpDataFolderWhenNeeded() {
  if (setup::ConfiguredDataFolder()) return;
  const std::string folder = setup::DefaultDataFolder();
  std::string failedStep;
  if (int error = setup::UseDataFolder(folder, &failedStep); error != 0) {
    std::cerr << "vellamore: " << failedStep << ": " << std::strerror(error) << "\n";
    return;
  }
  std::cerr << "vellamore: data directory " << folder << "\n";
}

// A conduit registered before, even another library, is left as it is.
void RegisterConduitWhenNeeded(const std::string& palmFolder) {
  if (setup::ConduitRegistered()) return;
  const setup::PalmStep step = setup::RegisterConduit(palmFolder);
  std::cerr << step.messages;
  if (!step.succeeded) {
    std::cerr << "vellamore: the conduit could not be registered: " << step.failure << "\n";
    return;
  }
  std::cerr << "vellamore: conduit registered with the HotSync Manager: "
            << setup::ConduitPath(palmFolder) << "\n";
}

// The options, as the desktop program describes them; its whole help when
// it has no options heading.
void PrintProgramOptions(const std::string& program) {
  platform::ProcessOptions options;
  options.timeLimit = kHelpTimeLimit;
  const platform::ProcessResult result = platform::RunProcess({program, "--help"}, options);
  if (!result.Succeeded()) {
    std::cerr << "vellamore: " << program << " " << platform::DescribeProcessResult(result) << "\n";
    return;
  }
  const std::string& help = result.standardOutput;
  const size_t heading = help.find(std::string("\n") + kOptionsHeading);
  std::cout << "\n" << (heading == std::string::npos ? help : help.substr(heading + 1));
}

bool HasArgument(int argc, char** argv, std::string_view wanted) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == wanted) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string palmFolder = setup::OwnFolder();
  if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
    std::cout << kUsageHead;
    PrintDataDirectory();
    PrintProgramOptions(palmFolder + "/" + kDesktopProgram);
    return 0;
  }
  if (!HasArgument(argc, argv, "--version")) {
    SetUpDataFolderWhenNeeded();
    RegisterConduitWhenNeeded(palmFolder);
  }
  const std::string program = palmFolder + "/" + kDesktopProgram;
  std::vector<char*> arguments(argv, argv + argc);
  arguments[0] = const_cast<char*>(program.c_str());
  arguments.push_back(nullptr);
  execv(program.c_str(), arguments.data());
  std::cerr << "vellamore: cannot start " << program << ": " << std::strerror(errno) << "\n";
  return 127;
}
