// UnVellamore.so: the uninstaller library. An uninstall program loads it and
// calls UninstInitialize, which shuts the resident HotSync Manager down,
// removes the conduit's registration when it names Vellamore's conduit,
// starts the HotSync Manager again and removes Vellamore's settings.
// UninstUnInitialize does nothing. Nothing is kept between calls.
#include <cstdint>
#include <optional>
#include <string>

#include "command_line.h"
#include "hotsync_libraries.h"
#include "hotsync_manager.h"
#include "message_box.h"
#include "settings_removal.h"
#include "uninstall_strings.h"

#define UNINSTALL_EXPORT extern "C" __attribute__((visibility("default")))

namespace uninstall {
namespace {

constexpr int32_t kUninstallDone = 0;
constexpr int32_t kUninstallFailed = -1;

void RestartHotSyncManager(const std::string& program) {
  if (!StartHotSyncManager(program)) ShowMessageBox(kErrorCaption, kCannotLaunchHotSync);
}

// A failed uninstallation never leaves the user without the HotSync Manager
// it shut down: the program that was running is started again (or, when its
// path is unknown, the one the Install Aide named).
int32_t FailAfterShutDown(const ShutDown& shutDown, const std::string& knownPath) {
  if (shutDown.wasRunning) {
    RestartHotSyncManager(shutDown.program.empty() ? knownPath : shutDown.program);
  }
  return kUninstallFailed;
}

int32_t Uninstall() {
  const std::string commandLineFolder = CommandLineFolder(OwnArguments());
  const ShutDown shutDown = ShutDownHotSyncManager();
  const std::optional<std::string> hotSyncPath = HotSyncProgramPath(commandLineFolder);
  if (!hotSyncPath) return FailAfterShutDown(shutDown, {});
  if (!RemoveConduitRegistration(SplitAtLastSlash(*hotSyncPath).folder)) {
    return FailAfterShutDown(shutDown, *hotSyncPath);
  }
  RestartHotSyncManager(*hotSyncPath);
  RemoveVellamoreSettings();
  return kUninstallDone;
}

}  // namespace
}  // namespace uninstall

UNINSTALL_EXPORT int32_t UninstInitialize(uint32_t, uint32_t, uint32_t) {
  return uninstall::Uninstall();
}

UNINSTALL_EXPORT int32_t UninstUnInitialize(uint32_t, uint32_t, uint32_t) {
  return 0;
}
