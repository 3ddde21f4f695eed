// The resident HotSync Manager as the uninstaller handles it: found by its
// main window's class on the window station, asked to shut down with
// message 0xBEC5, and started again as a process of its own.
#pragma once

#include <string>

namespace uninstall {

struct ShutDown {
  bool wasRunning = false;
  // The program of the process that was asked to shut down, so that it can
  // be started again when the Palm directory is never found; "" when unknown.
  std::string program;
};

// Shuts the HotSync Manager down when its window is found: shows the
// message box, then posts 0xBEC5 (wParam 1, lParam 0) and waits until the
// window is gone (for a few seconds at most). Then gives the system a
// second to settle, running or not. This step does not fail.
ShutDown ShutDownHotSyncManager();

// Starts `program` with "-r" as a new, detached process (its own session,
// standard streams on /dev/null, the caller's environment). False when it
// could not be started.
bool StartHotSyncManager(const std::string& program);

}  // namespace uninstall
