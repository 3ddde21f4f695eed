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
#include "automation/server_pool.h"
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
  std::string programPath = platform::FindProgramOnPath(registered.requiredProgram);
  if (programPath.empty()) return kClassNotRegistered;
  const std::string folder = g_serverFolder.empty() ? FolderOfThisModule() : g_serverFolder;
  classId.progId = std::string(progId);
  classId.serverProgram = folder + "/" + registered.serverProgram;
  classId.programPath = std::move(programPath);
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
  const std::string key = ServerKeyOf(classId);
  if (std::shared_ptr<ServerConnection> kept = FindKeptServer(key)) {
    if (!Failed(kept->CreateObject(classId.progId, object, description))) return kOk;
    // It cannot serve again (its program went, or it broke): a new one does.
    ForgetServer(kept);
  }
  Result<std::shared_ptr<ServerConnection>> connection = ServerConnection::Start(classId);
  if (!connection.Ok()) {
    description = connection.Reason();
    return kServerExecFailure;
  }
  KeepServer(key, connection.Value());
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
