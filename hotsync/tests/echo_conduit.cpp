// A conduit for the HotSync Manager's tests. OpenConduit registers with the
// Sync Manager, logs "echo: sync type N for USER" (and ECHO_CONDUIT_TEXT
// when set), and returns ECHO_CONDUIT_RESULT (default 0). ConfigureConduit
// prints the type it was given and answers as ECHO_CONFIGURE says:
// "RESULT,PREFERENCE,TYPE" (default "-1,0,0", a cancel). With
// ECHO_CONDUIT_RUN set, OpenConduit runs that shell command while the
// HotSync is in progress.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "syncmgr/conduit_abi.h"
#include "syncmgr/syncmgr.h"

namespace {

int32_t IntegerFromEnvironment(const char* name, int32_t fallback) {
  const char* value = std::getenv(name);
  return value ? static_cast<int32_t>(std::strtol(value, nullptr, 10)) : fallback;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t OpenConduit(void* /*progress*/,
                                                                      CSyncProperties* properties) {
  CONDHANDLE handle = 0;
  if (int32_t result = SyncRegisterConduit(&handle); result != 0) return result;
  CUserIDInfo user{};
  SyncReadUserID(&user);
  const std::string name(user.m_pName, static_cast<size_t>(user.m_NameLength));
  const std::string line =
      "echo: sync type " + std::to_string(properties->m_SyncType) + " for " + name;
  LogAddEntry(line.c_str(), kSyncLogText, 0);
  if (const char* text = std::getenv("ECHO_CONDUIT_TEXT")) LogAddEntry(text, kSyncLogWarning, 0);
  if (const char* command = std::getenv("ECHO_CONDUIT_RUN")) {
    if (std::system(command) == -1) LogAddEntry("echo: cannot run the command", kSyncLogWarning, 0);
  }
  SyncUnRegisterConduit(handle);
  return IntegerFromEnvironment("ECHO_CONDUIT_RESULT", 0);
}

extern "C" __attribute__((visibility("default"))) int32_t ConfigureConduit(
    CSyncPreference* preference) {
  std::printf("echo configure: given type %d\n", preference->m_SyncType);
  std::fflush(stdout);
  int result = -1, chosenPreference = 0, type = 0;
  if (const char* answer = std::getenv("ECHO_CONFIGURE")) {
    std::sscanf(answer, "%d,%d,%d", &result, &chosenPreference, &type);
  }
  preference->m_SyncPref = chosenPreference;
  if (result == 0) preference->m_SyncType = type;
  return result;
}

extern "C" __attribute__((visibility("default"))) int32_t GetConduitName(char* name,
                                                                         uint16_t length) {
  if (length > 0) std::snprintf(name, length, "%s", "Echo");
  return 0;
}

// The uninstaller exports, so that the same library can stand in for an
// uninstaller: UninstInitialize prints the calling program's command line
// (NULs as spaces) and returns ECHO_UNINST_RESULT (default 0).
extern "C" __attribute__((visibility("default"))) int32_t UninstInitialize(uint32_t, uint32_t,
                                                                           uint32_t) {
  std::string commandLine;
  if (FILE* file = std::fopen("/proc/self/cmdline", "rb")) {
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
      commandLine += c == '\0' ? ' ' : static_cast<char>(c);
    }
    std::fclose(file);
  }
  std::printf("echo uninstall: %s\n", commandLine.c_str());
  std::fflush(stdout);
  return IntegerFromEnvironment("ECHO_UNINST_RESULT", 0);
}

extern "C" __attribute__((visibility("default"))) int32_t UninstUnInitialize(uint32_t, uint32_t,
                                                                             uint32_t) {
  std::printf("echo uninstall: done\n");
  return 0;
}
