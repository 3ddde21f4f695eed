// Shutting down and restarting the HotSync Manager.
//
// The restarted manager must outlive the uninstall program and never become
// its zombie: it is started detached, and a manager that cannot be run is
// known at once.
#include "hotsync_manager.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "message_box.h"
#include "process/process_start.h"
#include "uninstall_strings.h"
#include "winsta/window_station.h"

namespace uninstall {
namespace {

using namespace std::chrono_literals;
namespace winsta = platform::winsta;

constexpr auto kSettleTime = 1000ms;
constexpr auto kShutDownLimit = 10s;
constexpr auto kStartLimit = 5s;
constexpr auto kPollInterval = 20ms;

bool WindowStillThere(const winsta::WindowInfo& window) {
  for (const winsta::WindowInfo& live : winsta::EnumWindows()) {
    if (live.id == window.id) return true;
  }
  return false;
}

void WaitUntilGone(const winsta::WindowInfo& window) {
  const auto deadline = std::chrono::steady_clock::now() + kShutDownLimit;
  while (WindowStillThere(window) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
  }
}

// True once the manager's window is up; false when it is not within the
// start limit.
bool WaitForWindow() {
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  const std::string_view managerClass = LoadUninstallString(kIdsHotSyncClass);
  while (!winsta::FindWindowByClass(managerClass)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

}  // namespace

platform::FileLock LockWindowStation() {
  const std::string station = winsta::StationDirectory();
  platform::FileLock lock;
  if (mkdir(station.c_str(), 0700) == 0 || errno == EEXIST) lock.Lock(station);
  return lock;
}

bool ShutDownHotSyncManager() {
  std::optional<winsta::WindowInfo> window =
      winsta::FindWindowByClass(LoadUninstallString(kIdsHotSyncClass));
  if (window) {
    ShowMessageBox(LoadUninstallString(kIdsHotSyncCaption),
                   LoadUninstallString(kIdsHotSyncRunning));
    if (winsta::PostMessage(*window, {kShutDownMessage, 1, 0})) WaitUntilGone(*window);
  }
  std::this_thread::sleep_for(kSettleTime);
  return window.has_value();
}

bool StartHotSyncManager(const std::string& program) {
  if (!platform::StartDetachedProcess({program, kRestartArgument}).Ok()) return false;
  return WaitForWindow();
}

}  // namespace uninstall
