// The class registry and instance creation of the automation layer.
//
// A class is registered by its user with the program behind it and the
// server program that makes its instances, found in the server folder; it
// counts as registered while the program behind it is installed, that is
// found on PATH, as a user's installation puts it there.
#include "automation/automation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "automation/server_connection.h"
#include "fs/fs.h"

namespace platform::automation {
namespace {

struct RegisteredClass {
  std::string requiredProgram;  // the class is registered when this is on PATH
  std::string serverProgram;    // in the server folder
};

std::mutex g_classesLock;
std::map<std::string, RegisteredClass, std::less<>> g_classes;

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
    std::string_view folder = folders.substr(0, colon);
    if (folder.empty()) folder = ".";
    std::string candidate;
    candidate.append(folder).append(1, '/').append(program);
    if (IsExecutableFile(candidate)) return true;
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

void RegisterClass(std::string_view progId, std::string_view requiredProgram,
                   std::string_view serverProgram) {
  const std::lock_guard<std::mutex> hold(g_classesLock);
  g_classes.insert_or_assign(std::string(progId), RegisteredClass{std::string(requiredProgram),
                                                                  std::string(serverProgram)});
}

HResult ClassIdFromProgId(std::string_view progId, ClassId& classId) {
  RegisteredClass registered;
  {
    const std::lock_guard<std::mutex> hold(g_classesLock);
    const auto found = g_classes.find(progId);
    if (found == g_classes.end()) return kClassNotRegistered;
    registered = found->second;
  }
  if (!IsOnPath(registered.requiredProgram)) return kClassNotRegistered;
  const std::string folder = g_serverFolder.empty() ? FolderOfThisModule() : g_serverFolder;
  classId.progId = std::string(progId);
  classId.serverProgram = folder + "/" + registered.serverProgram;
  return kOk;
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
  Result<std::shared_ptr<ServerConnection>> connection = ServerConnection::Start(classId);
  if (!connection.Ok()) {
    description = connection.Reason();
    return kServerExecFailure;
  }
  object = std::make_shared<RemoteObject>(std::move(connection).Value(), kApplicationObject);
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
