// UnVellamore.so: the uninstaller library. An uninstall program loads it and
// calls UninstInitialize, which shuts the resident HotSync Manager down,
// removes the conduit's registration when it names Vellamore's conduit,
// starts the HotSync Manager again when it was running and removes
// Vellamore's settings. UninstUnInitialize does nothing. Nothing is kept
// between calls.
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
// it shut down. What starts again is the HotSync Manager's own program:
// the one the Install Aide named, else `hotsync` in the folder of the
// HotSync Manager's libraries. The program that owned the window is never
// taken from its process: that process is gone, and its number may belong
// to another program by now.
int32_t FailAfterShutDown(bool wasRunning, const InstallAideAnswer& answer) {
  if (!wasRunning) return kUninstallFailed;
  if (answer.hotSyncProgram) {
    RestartHotSyncManager(*answer.hotSyncProgram);
  } else if (!answer.libraryFolder.empty()) {
    RestartHotSyncManager(answer.libraryFolder + kHotSyncProgramFileName);
  } else {
    ShowMessageBox(kErrorCaption, kCannotLaunchHotSync);
  }
  return kUninstallFailed;
}

int32_t Uninstall() {
  const std::string commandLineFolder = CommandLineFolder(OwnArguments());
  // One uninstallation at a time, so that a manager is started again once.
  const platform::FileLock stationLock = LockWindowStation();
  const bool wasRunning = ShutDownHotSyncManager();
  const InstallAideAnswer answer = AskInstallAide(commandLineFolder);
  if (!answer.hotSyncProgram) return FailAfterShutDown(wasRunning, answer);
  if (!RemoveConduitRegistration(SplitAtLastSlash(*answer.hotSyncProgram).folder)) {
    return FailAfterShutDown(wasRunning, answer);
  }
  // Only a manager that was running is started again: one started where
  // none ran would outlive the uninstallation of its own package.
  if (wasRunning) RestartHotSyncManager(*answer.hotSyncProgram);
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
