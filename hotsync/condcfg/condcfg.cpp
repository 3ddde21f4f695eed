// condcfg: registers, lists and removes HotSync conduits through the
// Conduit Manager library, condmgr.so.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/conduit_library.h"
#include "condmgr/condmgr.h"
#include "condmgr/registrations.h"
#include "fs/fs.h"
#include "syncmgr/conduit_abi.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: condcfg add CREATOR LIBRARY [--name NAME]\n"
    "       condcfg list\n"
    "       condcfg remove CREATOR\n"
    "       condcfg COMMAND --help\n"
    "\n"
    "Keeps the HotSync Manager's conduit registrations in the file conduits.ini\n"
    "of $HOTSYNC_HOME (default ~/.local/share/HotSync). A CREATOR is the\n"
    "four-character creator ID of a conduit's handheld application, such as\n"
    "Vellamore's Vlmr.\n"
    "\n"
    "Exit status: 0 done, 1 the registrations could not be changed (the message\n"
    "says why), 2 bad usage.\n";

constexpr char kAddUsage[] =
    "Usage: condcfg add CREATOR LIBRARY [--name NAME]\n"
    "\n"
    "Registers the conduit library LIBRARY under CREATOR, replacing the library\n"
    "of an existing registration (its sync types stay). A LIBRARY with a '/' is\n"
    "kept as an absolute path; a bare file name is looked up in the HotSync\n"
    "Manager's folder. The name shown for the conduit is NAME, or else the name\n"
    "the conduit gives itself when its library can be loaded.\n";

constexpr char kListUsage[] =
    "Usage: condcfg list\n"
    "\n"
    "Lists the registrations, one a line, separated by tabs: creator, sync\n"
    "type, the type chosen for the next HotSync only (- for none), the name\n"
    "shown for the conduit, library. The sync types are those of\n"
    "\"hotsync sync --help\".\n";

constexpr char kRemoveUsage[] =
    "Usage: condcfg remove CREATOR\n"
    "\n"
    "Removes the registration of CREATOR.\n";

int UsageError(const std::string& message) {
  std::cerr << "condcfg: " << message << "\nTry 'condcfg --help'.\n";
  return kExitUsage;
}

int Refused(int32_t code) {
  std::cerr << "condcfg: " << hotsync::DescribeConduitManagerError(code) << "\n";
  return kExitFailed;
}

bool WantsHelp(const std::vector<std::string_view>& arguments) {
  for (std::string_view argument : arguments) {
    if (argument == "--help" || argument == "-h") return true;
  }
  return false;
}

// An absolute form of a library path that names a folder.
std::string AbsoluteLibraryPath(const std::string& library) {
  if (library.find('/') == std::string::npos) return library;
  char resolved[PATH_MAX];
  if (realpath(library.c_str(), resolved) != nullptr) return resolved;
  if (library.front() == '/') return library;
  char folder[PATH_MAX];
  return getcwd(folder, sizeof folder) ? std::string(folder) + "/" + library : library;
}

// The conduit's own name, when its library loads and answers.
std::string ConduitOwnName(const std::string& path) {
  std::string reason;
  std::optional<hotsync::ConduitLibrary> library = hotsync::ConduitLibrary::Open(path, &reason);
  if (!library) {
    std::cerr << "condcfg: warning: cannot load \"" << path << "\": " << reason << "\n";
    return {};
  }
  auto getName = library->Export<GetConduitNameFn>("GetConduitName");
  char name[64] = {};
  if (getName == nullptr || getName(name, sizeof name) != 0) return {};
  name[sizeof name - 1] = '\0';
  return name;
}

int Add(const std::vector<std::string_view>& arguments) {
  std::vector<std::string> positional;
  std::optional<std::string> name;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--name") {
      if (++i == arguments.size()) return UsageError("--name needs a text");
      name = std::string(arguments[i]);
    } else {
      positional.emplace_back(arguments[i]);
    }
  }
  if (positional.size() != 2) return UsageError("add takes a creator ID and a library");
  const std::string& creator = positional[0];
  const std::string library = AbsoluteLibraryPath(positional[1]);
  const std::string resolved = hotsync::ResolveLibraryPath(library, hotsync::ProgramFolder());
  if (!platform::GetFileStatus(resolved)) {
    std::cerr << "condcfg: warning: \"" << resolved << "\" does not exist (yet)\n";
  }
  if (int32_t result = CmAddConduit(creator.c_str(), library.c_str()); result != kCmErrNone) {
    return Refused(result);
  }
  const std::string displayName = name ? *name : ConduitOwnName(resolved);
  if (int32_t result = CmSetConduitName(creator.c_str(), displayName.c_str());
      result != kCmErrNone) {
    return Refused(result);
  }
  std::cout << "Registered " << creator << ": " << library << "\n";
  return kExitOk;
}

int List(const std::vector<std::string_view>& arguments) {
  if (!arguments.empty()) return UsageError("list takes no arguments");
  std::vector<hotsync::Registration> registrations;
  if (int32_t result = hotsync::ListRegistrations(&registrations); result != kCmErrNone) {
    return Refused(result);
  }
  for (const hotsync::Registration& r : registrations) {
    std::cout << r.creator << "\t" << r.syncType << " (" << hotsync::SyncTypeName(r.syncType)
              << ")\t";
    if (r.nextSyncType >= 0) {
      std::cout << r.nextSyncType << " (" << hotsync::SyncTypeName(r.nextSyncType) << ")";
    } else {
      std::cout << "-";
    }
    std::cout << "\t" << r.name << "\t" << r.library << "\n";
  }
  return kExitOk;
}

int Remove(const std::vector<std::string_view>& arguments) {
  if (arguments.size() != 1) return UsageError("remove takes one creator ID");
  const std::string creator(arguments[0]);
  if (int32_t result = CmRemoveConduitByCreatorID(creator.c_str()); result != kCmErrNone) {
    return Refused(result);
  }
  std::cout << "Removed " << creator << "\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return UsageError("a command is needed");
  const std::string_view command = arguments[0];
  const std::vector<std::string_view> rest(arguments.begin() + 1, arguments.end());
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return kExitOk;
  }
  struct Command {
    std::string_view name;
    const char* usage;
    int (*run)(const std::vector<std::string_view>&);
  };
  static const Command kCommands[] = {
      {"add", kAddUsage, &Add}, {"list", kListUsage, &List}, {"remove", kRemoveUsage, &Remove}};
  for (const Command& entry : kCommands) {
    if (entry.name != command) continue;
    if (WantsHelp(rest)) {
      std::cout << entry.usage;
      return kExitOk;
    }
    return entry.run(rest);
  }
  return UsageError("unknown command '" + std::string(command) + "'");
}
