// The resident HotSync Manager as the uninstaller handles it: found by its
// main window's class on the window station, asked to shut down with its
// shut-down message, and started again as a process of its own.
#pragma once

#include <string>

#include "fs/file_lock.h"

namespace uninstall {

// Held for a whole uninstallation, so that the shut-down and restart of
// two uninstallations never interleave: both would find the manager
// running, and both would start it again. The lock is on the window
// station's folder, which is made when missing; nothing is left behind.
// An unlocked object when the folder cannot be locked.
platform::FileLock LockWindowStation();

// Shuts the HotSync Manager down when its window is found: shows the
// message box, then posts the shut-down message (wParam 1, lParam 0) and
// waits until the window is gone (for a few seconds at most). Then gives
// the system a second to settle, running or not. True when a manager was
// running. This step does not fail.
bool ShutDownHotSyncManager();

// Starts `program` with "-r" as a new, detached process (its own session,
// standard streams on /dev/null, the caller's environment) and waits a few
// seconds at most for its window, so that the next uninstallation finds
// it. False when it could not be started or its window never came.
bool StartHotSyncManager(const std::string& program);

}  // namespace uninstall
