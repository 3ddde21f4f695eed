// UnVellamore.so through the uninstall program, against a real resident
// HotSync Manager on a window station of the test's own, with the test's
// own settings and HotSync data folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <climits>

#include "condmgr/condmgr.h"
#include "settings/settings.h"
#include "settings_removal.h"
#include "uninstall_fixture.h"

namespace uninstall::testing {
namespace {

namespace settings = platform::settings;

constexpr char kShutDownBox[] =
    "HotSync Manager: HotSync Manager is running.  It will be temporarily shut down..";

// The program a process runs, links resolved.
std::string ProgramOf(int pid) {
  char path[PATH_MAX];
  const ssize_t length =
      readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

// A window of the HotSync Manager's class owned by another program: its
// process becomes `head`, which reads the window's first message and ends.
class Impostor {
 public:
  Impostor() {
    m_pid = fork();
    if (m_pid == 0) {
      std::unique_ptr<winsta::Window> window = winsta::Window::Register(kManagerClass, "Impostor");
      const int devNull = open("/dev/null", O_WRONLY);
      if (!window || devNull < 0) _exit(1);
      fcntl(window->Fd(), F_SETFL, 0);   // head reads it blocking
      dup2(window->Fd(), STDIN_FILENO);  // and keeps it across exec
      dup2(devNull, STDOUT_FILENO);
      execlp("head", "head", "-c", "1", static_cast<char*>(nullptr));
      _exit(127);
    }
    while (!winsta::FindWindowByClass(kManagerClass) && kill(m_pid, 0) == 0) {
      std::this_thread::sleep_for(10ms);
    }
  }
  ~Impostor() {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  int Pid() const { return m_pid; }

 private:
  pid_t m_pid;
};

TEST_F(UnVellamoreTest, RunningManagerIsShutDownWithItsMessageAndANewOneAnswers) {
  std::unique_ptr<RunningProgram> manager = StartManager();
  const int oldPid = winsta::FindWindowByClass(kManagerClass).value().pid;

  const ProgramResult result = Uninstall("-c" + BinPath("instaide.so"));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, std::string(kShutDownBox) + "\n");
  const ProgramResult old = manager->Wait();
  EXPECT_TRUE(Contains(old.out, "shut down")) << old.out << old.err;

  std::optional<winsta::WindowInfo> restarted = WaitForManagerOtherThan(oldPid);
  ASSERT_TRUE(restarted.has_value());
  EXPECT_TRUE(winsta::PostMessage(*restarted, {winsta::kWmChar, 'R', 0}));
}

enum class Before { kNothing, kManager, kImpostor };

struct RestartCase {
  Before before;
  bool uninstallFails;  // the Palm directory has no Install Aide
  bool managerAfter;
  bool windowless = false;  // the Palm directory's hotsync runs but opens no window
};

class RestartTest : public UnVellamoreTest, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(RestartTest, OnlyARunningManagerIsStartedAgainAndAlwaysOurOwnProgram) {
  std::unique_ptr<RunningProgram> manager;
  std::unique_ptr<Impostor> impostor;
  if (GetParam().before == Before::kManager) manager = StartManager();
  if (GetParam().before == Before::kImpostor) impostor = std::make_unique<Impostor>();
  const std::string folder =
      GetParam().windowless ? PalmFolder({"condmgr.so"})
                            : PalmFolder({"condmgr.so", "hotsync"}, !GetParam().uninstallFails);
  if (GetParam().windowless) std::filesystem::create_symlink("/bin/true", folder + "/hotsync");

  const ProgramResult result = Uninstall("-c" + folder + "/instaide.so");
  EXPECT_EQ(result.exitStatus, GetParam().uninstallFails ? 1 : 0) << result.err;
  EXPECT_EQ(Contains(result.err, "Could not launch HotSync."), GetParam().windowless) << result.err;
  if (manager) manager->Wait();
  const int oldPid = impostor ? impostor->Pid() : 0;
  std::optional<winsta::WindowInfo> after =
      WaitForManagerOtherThan(oldPid, GetParam().managerAfter ? 10000ms : 1000ms);
  ASSERT_EQ(after.has_value(), GetParam().managerAfter);
  if (!after) return;
  EXPECT_EQ(ManagerWindows().size(), 1u);
  EXPECT_EQ(ProgramOf(after->pid), std::filesystem::canonical(BinPath("hotsync")).string());
}

std::string RestartCaseName(const ::testing::TestParamInfo<RestartCase>& info) {
  constexpr const char* kBefore[] = {"Nothing", "Manager", "Impostor"};
  return std::string(kBefore[static_cast<int>(info.param.before)]) + "Running" +
         (info.param.uninstallFails ? "AndFailing" : "AndSucceeding") +
         (info.param.windowless ? "WithAWindowlessRestart" : "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RestartTest,
                         ::testing::Values(RestartCase{Before::kNothing, false, false},
                                           RestartCase{Before::kNothing, true, false},
                                           RestartCase{Before::kManager, false, true},
                                           RestartCase{Before::kManager, true, true},
                                           RestartCase{Before::kManager, false, false, true},
                                           RestartCase{Before::kImpostor, true, true}),
                         RestartCaseName);

struct RegistrationCase {
  std::string registeredLibrary;
  bool removed;
};

class RegistrationTest : public UnVellamoreTest,
                         public ::testing::WithParamInterface<RegistrationCase> {};

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
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistrationTest,
                         ::testing::Values(RegistrationCase{"/usr/lib/x/VELLAMORECND.SO", true},
                                           RegistrationCase{"/usr/lib/x/OtherCnd.so", false},
                                           RegistrationCase{"/usr/lib/x/VellamoreCnd.so.bak",
                                                            false}));

class SettingsTest : public UnVellamoreTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SettingsTest, MakerKeyGoesOnlyWhenNoOtherProductIsLeftInIt) {
  const bool otherProduct = GetParam();
  ASSERT_EQ(settings::SetValue(store::kDirectoriesKey, store::kDataDirValue, "/d"), 0);
  ASSERT_EQ(settings::SetValue(store::kParametersKey, "Mailer", "x"), 0);
  const std::string makerFolder = settings::ConfigRoot() + "/Olvenmark";
  std::filesystem::create_directories(makerFolder + "/Vellamore/cache");
  if (otherProduct) {
    ASSERT_EQ(settings::SetValue("Software\\Olvenmark\\Other", "Kept", "1"), 0);
  }

  const ProgramResult result = Uninstall();
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_FALSE(settings::KeyExists(store::kProgramKey));
  EXPECT_FALSE(std::filesystem::exists(makerFolder + "/Vellamore.conf"));
  EXPECT_FALSE(std::filesystem::exists(makerFolder + "/Vellamore"));
  EXPECT_EQ(std::filesystem::exists(makerFolder), otherProduct);
  if (otherProduct) {
    EXPECT_EQ(settings::QueryValue("Software\\Olvenmark\\Other", "Kept"), "1");
  }
}

INSTANTIATE_TEST_SUITE_P(OtherProduct, SettingsTest, ::testing::Bool());

// What the settings folder holds besides Vellamore's values, and what must
// stay of it (paths below Olvenmark/; none: the folder itself is gone).
struct RemovalCase {
  std::string label;
  bool values;                          // Vellamore's values are written first
  std::vector<std::string> strayFiles;  // made below Olvenmark/
  bool linkElsewhere;                   // Olvenmark/Vellamore/elsewhere -> a folder outside
  int removals;                         // uninstallations run at once
  std::vector<std::string> kept;
};

class RemovalTest : public UnVellamoreTest, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(RemovalTest, RemovesOnlySettingsFilesAndTheFoldersTheyLeaveEmpty) {
  const RemovalCase& row = GetParam();
  if (row.values) {
    ASSERT_EQ(settings::SetValue(store::kDirectoriesKey, store::kDataDirValue, "/d"), 0);
  }
  const std::string maker = settings::ConfigRoot() + "/Olvenmark/";
  for (const std::string& stray : row.strayFiles) {
    std::filesystem::create_directories(std::filesystem::path(maker + stray).parent_path());
    vlmtest::WriteFile(maker + stray, "stray\n");
  }
  const std::string outside = m_home.PathOf("outside");
  if (row.linkElsewhere) {
    std::filesystem::create_directories(outside);
    vlmtest::WriteFile(outside + "/canary", "alive\n");
    std::filesystem::create_directories(maker + "Vellamore");
    std::filesystem::create_directory_symlink(outside, maker + "Vellamore/elsewhere");
  }

  std::vector<std::unique_ptr<RunningProgram>> removals;
  for (int i = 0; i < row.removals; ++i) {
    removals.push_back(
        std::make_unique<RunningProgram>(UninstallCommand(""), UninstallEnvironment("")));
  }
  for (auto& removal : removals) {
    const ProgramResult result = removal->Wait();
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
  }

  EXPECT_FALSE(VellamoreSettingsRemain());
  struct stat status {};
  for (const std::string& path : row.kept) {
    EXPECT_EQ(lstat((maker + path).c_str(), &status), 0) << path;
  }
  EXPECT_EQ(std::filesystem::exists(maker), !row.kept.empty());
  if (row.linkElsewhere) {
    EXPECT_EQ(vlmtest::ReadFile(outside + "/canary"), "alive\n");
  }
  EXPECT_FALSE(WaitForManagerOtherThan(0, 1000ms).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemovalTest,
    ::testing::Values(
        RemovalCase{"SettingsAndTheirLock", true, {}, false, 1, {}},
        RemovalCase{"LeftoversOfKilledWriters",
                    false,
                    {".Vellamore.conf.lock", ".Vellamore.conf.aB3dE9", "Vellamore/.Old.conf.lock",
                     "Vellamore/deep/Old.conf"},
                    false,
                    1,
                    {}},
        RemovalCase{"LinkToAFolderElsewhere", true, {}, true, 1, {"Vellamore/elsewhere"}},
        RemovalCase{"ForeignFile",
                    true,
                    {"Vellamore/notes.txt", "Vellamore/cache/Old.conf", "Vellamore.conf.bak"},
                    false,
                    1,
                    {"Vellamore/notes.txt", "Vellamore.conf.bak"}},
        RemovalCase{"TwoRemovalsAtOnce", true, {}, false, 2, {}}),
    [](const ::testing::TestParamInfo<RemovalCase>& info) { return info.param.label; });

struct MissingLibraryCase {
  bool withInstallAide;
  std::string message;  // after the folder, which is in the caption or not
};

class MissingLibraryTest : public UnVellamoreTest,
                           public ::testing::WithParamInterface<MissingLibraryCase> {};

TEST_P(MissingLibraryTest, FailsWithItsMessageAndTheManagerRunsAgain) {
  ASSERT_EQ(CmAddConduit("Vlmr", "VellamoreCnd.so"), 0);
  ASSERT_EQ(settings::SetValue(store::kDirectoriesKey, store::kDataDirValue, "/d"), 0);
  std::unique_ptr<RunningProgram> manager = StartManager();
  const int oldPid = winsta::FindWindowByClass(kManagerClass).value().pid;
  const std::string folder = PalmFolder({"hotsync"}, GetParam().withInstallAide);

  const ProgramResult result = Uninstall("-c" + folder + "/instaide.so");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Contains(result.err, GetParam().message)) << result.err;
  EXPECT_FALSE(Contains(result.err, "Could not launch HotSync.")) << result.err;
  manager->Wait();
  EXPECT_TRUE(WaitForManagerOtherThan(oldPid).has_value());
  // Nothing was removed.
  EXPECT_EQ(CmGetConduitCount(), 1);
  EXPECT_TRUE(settings::KeyExists(store::kProgramKey));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingLibraryTest,
    ::testing::Values(MissingLibraryCase{false,
                                         "Palm dir/instaide.so: Could not load Instaide.dll."},
                      MissingLibraryCase{true, "Error: Could not load CondMgr.dll."}));

}  // namespace
}  // namespace uninstall::testing
