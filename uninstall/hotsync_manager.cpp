// Shutting down and restarting the HotSync Manager.
//
// The restarted manager must outlive the uninstall program and never become
// its zombie: it is started by a short-lived intermediate child, which
// makes a new session and exits at once. The manager's exec failure comes
// back through a close-on-exec pipe, so "could not be started" is known.
#include "hotsync_manager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "message_box.h"
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

// In the grandchild: only async-signal-safe calls until exec.
[[noreturn]] void ExecDetached(const char* program, int errorPipe) {
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
  }
  char* const argv[] = {const_cast<char*>(program), const_cast<char*>(kRestartArgument), nullptr};
  execv(program, argv);
  const int error = errno;
  (void)!write(errorPipe, &error, sizeof error);
  _exit(127);
}

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

void WaitForWindow() {
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (!winsta::FindWindowByClass(LoadUninstallString(kIdsHotSyncClass)) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
  }
}

// Starts `program` through a short-lived intermediate child; false when
// exec failed.
bool SpawnDetached(const std::string& program) {
  int errorPipe[2];
  if (program.empty() || pipe2(errorPipe, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(errorPipe[0]);
    setsid();
    const pid_t manager = fork();
    if (manager == 0) ExecDetached(program.c_str(), errorPipe[1]);
    if (manager < 0) {
      const int error = errno;
      (void)!write(errorPipe[1], &error, sizeof error);
    }
    _exit(0);
  }
  close(errorPipe[1]);
  if (child < 0) {
    close(errorPipe[0]);
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int execError = 0;
  ssize_t n;
  while ((n = read(errorPipe[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
  }
  close(errorPipe[0]);
  // The pipe closes without a word when exec succeeded.
  return n == 0;
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
  if (!SpawnDetached(program)) return false;
  WaitForWindow();
  return true;
}

}  // namespace uninstall
