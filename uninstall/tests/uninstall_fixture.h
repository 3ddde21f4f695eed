// The uninstaller's test fixture: a home of the test's own (window station,
// settings, user data and HotSync data), resident managers started and
// found, a Palm directory assembled from the build, and the uninstall
// program run against them.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "program_names.h"  // store/
#include "testing/files.h"
#include "testing/private_home.h"
#include "testing/run_program.h"
#include "winsta/window_station.h"

namespace uninstall::testing {

using namespace std::chrono_literals;
using vlmtest::BinPath;
using vlmtest::ProgramResult;
using vlmtest::RunningProgram;
using vlmtest::RunProgram;
namespace winsta = platform::winsta;

inline constexpr char kManagerClass[] = "KittyHawk";

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class UnVellamoreTest : public ::testing::Test {
 protected:
  // Every manager still on the station (a restarted one belongs to no one)
  // is shut down as the uninstaller does it.
  void TearDown() override {
    for (const winsta::WindowInfo& window : ManagerWindows()) {
      winsta::PostMessage(window, {0xBEC5, 1, 0});
      for (int i = 0; i < 500 && kill(window.pid, 0) == 0; ++i) std::this_thread::sleep_for(10ms);
    }
  }

  static std::vector<winsta::WindowInfo> ManagerWindows() {
    std::vector<winsta::WindowInfo> managers;
    for (winsta::WindowInfo& window : winsta::EnumWindows()) {
      if (window.className == kManagerClass) managers.push_back(std::move(window));
    }
    return managers;
  }

  // Starts a resident manager and waits for its window.
  std::unique_ptr<RunningProgram> StartManager() {
    auto manager = std::make_unique<RunningProgram>(
        std::vector<std::string>{BinPath("hotsync"), "-r"}, std::vector<std::string>{});
    while (manager->Running() && !winsta::FindWindowByClass(kManagerClass)) {
      std::this_thread::sleep_for(10ms);
    }
    return manager;
  }

  // The manager's window once one of a process other than `oldPid` is up,
  // waiting `limit` at most.
  static std::optional<winsta::WindowInfo> WaitForManagerOtherThan(
      int oldPid, std::chrono::milliseconds limit = 10s) {
    for (auto waited = 0ms; waited < limit; waited += 10ms) {
      std::optional<winsta::WindowInfo> window = winsta::FindWindowByClass(kManagerClass);
      if (window && window->pid != oldPid) return window;
      std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
  }

  // A Palm directory whose path has a blank, holding the given files of the
  // build: the Install Aide copied (it names its own folder), others linked.
  std::string PalmFolder(const std::vector<std::string>& linked, bool withInstallAide = true) {
    const std::string folder = m_home.PathOf("Palm dir");
    std::filesystem::create_directory(folder);
    if (withInstallAide)
      std::filesystem::copy_file(BinPath("instaide.so"), folder + "/instaide.so");
    for (const std::string& name : linked) {
      std::filesystem::create_symlink(BinPath(name), folder + "/" + name);
    }
    return folder;
  }

  // Without "-c" the libraries are found by the system's library search,
  // which the test points at the build's folder.
  static std::vector<std::string> UninstallCommand(const std::string& dashCArgument) {
    if (dashCArgument.empty()) return {BinPath("uninst")};
    return {BinPath("uninst"), dashCArgument};
  }
  static std::vector<std::string> UninstallEnvironment(const std::string& dashCArgument) {
    if (!dashCArgument.empty()) return {};
    return {"LD_LIBRARY_PATH=" VELLAMORE_BIN_DIR};
  }
  ProgramResult Uninstall(const std::string& dashCArgument = "") {
    return RunProgram(UninstallCommand(dashCArgument), UninstallEnvironment(dashCArgument));
  }

  vlmtest::PrivateHome m_home;
};

}  // namespace uninstall::testing
