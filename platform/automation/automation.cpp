// The class registry and instance creation of the automation layer.
//
// A class is registered when the program behind it is installed, that is
// when the program is found on PATH, as a user's installation puts it
// there. Its instances are made by a server program of ours, found in the
// server folder.
#include "automation/automation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "automation/server_connection.h"
#include "fs/fs.h"

namespace platform::automation {
namespace {

struct RegisteredClass {
  std::string_view progId;
  std::string_view requiredProgram;  // the class is registered when this is on PATH
  std::string_view serverProgram;    // in the server folder
};

constexpr std::array<RegisteredClass, 2> kClasses = {{
    {"Word.Basic", "soffice", "vlmoffice"},
    {"Excel.Application", "soffice", "vlmoffice"},
}};

std::chrono::milliseconds g_callTimeLimit{60'000};
std::string g_serverFolder;
thread_local int t_initialised = 0;

bool IsExecutableFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

bool IsOnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "";
  while (!folders.empty()) {
    const size_t colon = folders.find(':');
    std::string folder(folders.substr(0, colon));
    if (folder.empty()) folder = ".";
    if (IsExecutableFile(folder + "/" + std::string(program))) return true;
    if (colon == std::string_view::npos) break;
    folders.remove_prefix(colon + 1);
  }
  return false;
}

// The folder of the library or program that holds this code.
std::string FolderOfThisModule() {
  const std::string folder =
      platform::FolderOfModuleAt(reinterpret_cast<const void*>(&FolderOfThisModule));
  return folder.empty() ? "." : folder;
}

}  // namespace

HResult Initialise() {
  ++t_initialised;
  return kOk;
}

void Uninitialise() {
  if (t_initialised > 0) --t_initialised;
}

HResult ClassIdFromProgId(std::string_view progId, ClassId& classId) {
  for (const RegisteredClass& registered : kClasses) {
    if (registered.progId != progId) continue;
    if (!IsOnPath(registered.requiredProgram)) return kClassNotRegistered;
    const std::string folder = g_serverFolder.empty() ? FolderOfThisModule() : g_serverFolder;
    classId.progId = std::string(progId);
    classId.serverProgram = folder + "/" + std::string(registered.serverProgram);
    return kOk;
  }
  return kClassNotRegistered;
}

HResult CreateInstance(const ClassId& classId, DispatchPtr& object, std::string& description) {
  if (t_initialised == 0) {
    description = "the automation layer is not initialised";
    return kNotInitialised;
  }
  if (!IsExecutableFile(classId.serverProgram)) {
    description = "the server program " + classId.serverProgram + " is missing";
    return kServerExecFailure;
  }
  std::shared_ptr<ServerConnection> connection;
  const HResult started = ServerConnection::Start(classId, connection, description);
  if (Failed(started)) return started;
  object = std::make_shared<RemoteObject>(std::move(connection), kApplicationObject);
  return kOk;
}

void SetCallTimeLimit(std::chrono::milliseconds limit) {
  g_callTimeLimit = limit;
}

std::chrono::milliseconds CallTimeLimit() {
  return g_callTimeLimit;
}

void SetServerFolder(std::string folder) {
  g_serverFolder = std::move(folder);
}

}  // namespace platform::automation
