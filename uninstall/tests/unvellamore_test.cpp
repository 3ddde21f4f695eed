// UnVellamore.so through the uninstall program, against a real resident
// HotSync Manager on a window station of the test's own, with the test's
// own settings and HotSync data folders.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "condmgr/condmgr.h"
#include "settings/settings.h"
#include "tests/run_program.h"
#include "tests/test_home.h"
#include "winsta/window_station.h"

namespace uninstall {
namespace {

using namespace std::chrono_literals;
using hotsync::testing::BinPath;
using hotsync::testing::ProgramResult;
using hotsync::testing::RunningProgram;
using hotsync::testing::RunProgram;
namespace winsta = platform::winsta;
namespace settings = platform::settings;

constexpr char kManagerClass[] = "KittyHawk";
constexpr char kShutDownBox[] =
    "HotSync Manager: HotSync Manager is running.  It will be temporarily shut down..";
constexpr char kProgramKey[] = "Software\\Olvenmark\\Vellamore";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class UnVellamoreTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"run", "config", "hotsync"}) {
      ASSERT_EQ(mkdir((m_root.Path() + "/" + name).c_str(), 0700), 0);
    }
    setenv("XDG_RUNTIME_DIR", (m_root.Path() + "/run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_root.Path() + "/config").c_str(), 1);
    setenv("HOTSYNC_HOME", (m_root.Path() + "/hotsync").c_str(), 1);
  }

  // Every manager still on the station (the restarted ones belong to no
  // one) is shut down as the uninstaller does it, once the one the
  // uninstaller started has come up.
  void TearDown() override {
    if (m_uninstallRan) WaitForManagerOtherThan(0);
    for (const winsta::WindowInfo& window : winsta::EnumWindows()) {
      if (window.className != kManagerClass) continue;
      winsta::PostMessage(window, {0xBEC5, 1, 0});
      for (int i = 0; i < 500 && kill(window.pid, 0) == 0; ++i) std::this_thread::sleep_for(10ms);
    }
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

  // The manager's window once one of a process other than `oldPid` is up.
  static std::optional<winsta::WindowInfo> WaitForManagerOtherThan(int oldPid) {
    for (int i = 0; i < 1000; ++i) {
      std::optional<winsta::WindowInfo> window = winsta::FindWindowByClass(kManagerClass);
      if (window && window->pid != oldPid) return window;
      std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
  }

  // A Palm directory whose path has a blank, holding the given files of the
  // build: the Install Aide copied (it names its own folder), others linked.
  std::string PalmFolder(const std::vector<std::string>& linked, bool withInstallAide = true) {
    const std::string folder = m_root.Path() + "/Palm dir";
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
  ProgramResult Uninstall(const std::string& dashCArgument = "") {
    m_uninstallRan = true;
    if (dashCArgument.empty()) {
      return RunProgram({BinPath("uninst")}, {"LD_LIBRARY_PATH=" VELLAMORE_BIN_DIR});
    }
    return RunProgram({BinPath("uninst"), dashCArgument});
  }

  hotsync::testing::TemporaryFolder m_root;
  bool m_uninstallRan = false;
};

TEST_F(UnVellamoreTest, WithNoManagerRunningShowsNothingAndStartsOneAtTheEnd) {
  const ProgramResult result = Uninstall();
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(WaitForManagerOtherThan(0).has_value());
}

TEST_F(UnVellamoreTest, RunningManagerIsShutDownWithItsMessageAndANewOneAnswers) {
  std::unique_ptr<RunningProgram> manager = StartManager();
  const int oldPid = winsta::FindWindowByClass(kManagerClass).value().pid;

  const ProgramResult result = Uninstall("-c" + BinPath("instaide.so"));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, std::string(kShutDownBox) + "\n");
  const ProgramResult old = manager->Wait();
  EXPECT_TRUE(Contains(old.out, "shut down (message 0xBEC5)")) << old.out << old.err;

  std::optional<winsta::WindowInfo> restarted = WaitForManagerOtherThan(oldPid);
  ASSERT_TRUE(restarted.has_value());
  EXPECT_TRUE(winsta::PostMessage(*restarted, {winsta::kWmChar, 'R', 0}));
}

struct RegistrationCase {
  std::string registeredLibrary;
  bool removed;
};

class RegistrationTest : public UnVellamoreTest,
                         public testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegistrationTest, OnlyOurConduitIsUnregisteredThroughAQuotedFolder) {
  ASSERT_EQ(CmAddConduit("Vlmr", GetParam().registeredLibrary.c_str()), 0);
  ASSERT_EQ(CmAddConduit("Othr", "/opt/other/VellamoreCnd.so"), 0);
  const std::string folder = PalmFolder({"condmgr.so", "hotsync"});

  const ProgramResult result = Uninstall("-c\"" + folder + "/instaide.so\"");
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  char name[32];
  int32_t size = sizeof name;
  EXPECT_EQ(CmGetCreatorName("Vlmr", name, &size), GetParam().removed ? kCmErrNotFound : 0);
  size = sizeof name;
  EXPECT_EQ(CmGetCreatorName("Othr", name, &size), 0);
  EXPECT_TRUE(WaitForManagerOtherThan(0).has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistrationTest,
                         testing::Values(RegistrationCase{"/usr/lib/x/VELLAMORECND.SO", true},
                                         RegistrationCase{"/usr/lib/x/OtherCnd.so", false},
                                         RegistrationCase{"/usr/lib/x/VellamoreCnd.so.bak",
                                                          false}));

class SettingsTest : public UnVellamoreTest, public testing::WithParamInterface<bool> {};

TEST_P(SettingsTest, MakerKeyGoesOnlyWhenNoOtherProductIsLeftInIt) {
  const bool otherProduct = GetParam();
  ASSERT_EQ(settings::SetValue(std::string(kProgramKey) + "\\Directories", "DataDir", "/d"), 0);
  ASSERT_EQ(settings::SetValue(std::string(kProgramKey) + "\\Parameters", "Mailer", "x"), 0);
  const std::string makerFolder = settings::ConfigRoot() + "/Olvenmark";
  std::filesystem::create_directories(makerFolder + "/Vellamore/cache");
  if (otherProduct) {
    ASSERT_EQ(settings::SetValue("Software\\Olvenmark\\Other", "Kept", "1"), 0);
  }

  const ProgramResult result = Uninstall();
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_FALSE(settings::KeyExists(kProgramKey));
  EXPECT_FALSE(std::filesystem::exists(makerFolder + "/Vellamore.conf"));
  EXPECT_FALSE(std::filesystem::exists(makerFolder + "/Vellamore"));
  EXPECT_EQ(std::filesystem::exists(makerFolder), otherProduct);
  if (otherProduct) {
    EXPECT_EQ(settings::QueryValue("Software\\Olvenmark\\Other", "Kept"), "1");
  }
}

INSTANTIATE_TEST_SUITE_P(OtherProduct, SettingsTest, testing::Bool());

struct MissingLibraryCase {
  bool withInstallAide;
  std::string message;  // after the folder, which is in the caption or not
};

class MissingLibraryTest : public UnVellamoreTest,
                           public testing::WithParamInterface<MissingLibraryCase> {};

TEST_P(MissingLibraryTest, FailsWithItsMessageAndTheManagerRunsAgain) {
  ASSERT_EQ(CmAddConduit("Vlmr", "VellamoreCnd.so"), 0);
  ASSERT_EQ(settings::SetValue(std::string(kProgramKey) + "\\Directories", "DataDir", "/d"), 0);
  std::unique_ptr<RunningProgram> manager = StartManager();
  const int oldPid = winsta::FindWindowByClass(kManagerClass).value().pid;
  const std::string folder = PalmFolder({}, GetParam().withInstallAide);

  const ProgramResult result = Uninstall("-c" + folder + "/instaide.so");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Contains(result.err, GetParam().message)) << result.err;
  EXPECT_FALSE(Contains(result.err, "Could not launch HotSync.")) << result.err;
  manager->Wait();
  EXPECT_TRUE(WaitForManagerOtherThan(oldPid).has_value());
  // Nothing was removed.
  EXPECT_EQ(CmGetConduitCount(), 1);
  EXPECT_TRUE(settings::KeyExists(kProgramKey));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingLibraryTest,
    testing::Values(MissingLibraryCase{false, "Palm dir/instaide.so: Could not load Instaide.dll."},
                    MissingLibraryCase{true, "Error: Could not load CondMgr.dll."}));

}  // namespace
}  // namespace uninstall
