// uninst: the uninstall program. Loads an uninstaller library such as
// UnVellamore.so and calls its two exports, as an uninstall program does.
// The library reads this program's own command line: the file named after
// "-c" tells it the folder where the HotSync Manager's libraries are.
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/conduit_library.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr char kDefaultLibrary[] = "UnVellamore.so";

using UninstFn = int32_t (*)(uint32_t, uint32_t, uint32_t);

constexpr char kUsage[] =
    "Usage: uninst [LIBRARY] [-c FILE]\n"
    "\n"
    "Runs an uninstaller library as the HotSync Manager's uninstall program\n"
    "does: loads LIBRARY (default: UnVellamore.so beside this program), lets it\n"
    "do its work and says how it ended.\n"
    "\n"
    "  -c FILE   a file in the HotSync Manager's folder, such as its instaide.so:\n"
    "            the library loads the HotSync Manager's libraries from that\n"
    "            folder. The library takes the rest of the command line as\n"
    "            FILE, so give -c FILE last. Without -c the libraries are found\n"
    "            by the system's library search.\n"
    "\n"
    "Exit status: 0 the uninstallation is done, 1 it failed (the library's\n"
    "message says why), 2 bad usage or the library cannot be used.\n";

int UsageError(const std::string& message) {
  std::cerr << "uninst: " << message << "\nTry 'uninst --help'.\n";
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> library;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return kExitOk;
    }
    if (argument == "-c") {
      if (++i == argc) return UsageError("-c needs a file");
    } else if (argument.rfind("-c", 0) == 0) {
      // "-cFILE" and "-c\"FILE\"": the library finds the path itself.
    } else if (!argument.empty() && argument.front() == '-') {
      return UsageError("unknown option '" + std::string(argument) + "'");
    } else if (!library) {
      library = std::string(argument);
    } else {
      return UsageError("one library at a time");
    }
  }
  const std::string path =
      hotsync::ResolveLibraryPath(library.value_or(kDefaultLibrary), hotsync::ProgramFolder());
  std::string reason;
  std::optional<hotsync::ConduitLibrary> loaded = hotsync::ConduitLibrary::Open(path, &reason);
  if (!loaded) {
    std::cerr << "uninst: cannot load \"" << path << "\": " << reason << "\n";
    return kExitUsage;
  }
  auto initialize = loaded->Export<UninstFn>("UninstInitialize");
  auto uninitialize = loaded->Export<UninstFn>("UninstUnInitialize");
  if (initialize == nullptr || uninitialize == nullptr) {
    std::cerr << "uninst: \"" << path << "\" has no UninstInitialize or UninstUnInitialize\n";
    return kExitUsage;
  }
  const int32_t result = initialize(0, 0, 0);
  uninitialize(0, 0, 0);
  std::cout << (result == 0 ? "The uninstallation is done.\n" : "The uninstallation failed.\n");
  return result == 0 ? kExitOk : kExitFailed;
}
