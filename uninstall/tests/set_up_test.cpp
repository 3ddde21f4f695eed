// vellamore-setup --remove and the launcher, run as a user runs them, with
// the uninstaller's folders. The launcher runs from a Palm directory of its
// own, beside a stand-in for the desktop program that says how it was
// started.
#include <gtest/gtest.h>

#include "condmgr/condmgr.h"
#include "settings/settings.h"
#include "uninstall_fixture.h"

namespace uninstall::testing {
namespace {

namespace settings = platform::settings;
using store::kDataDirValue;
using store::kDirectoriesKey;

class SetUpTest : public UnVellamoreTest {
 protected:
  // The launcher copied (it finds its programs in its own folder), the
  // Conduit Manager and condcfg linked, and the desktop program's stand-in.
  std::string LauncherFolder() {
    const std::string folder = PalmFolder({"condmgr.so", "condcfg"}, false);
    std::filesystem::copy_file(BinPath("vellamore-start"), folder + "/vellamore-start");
    vlmtest::WriteFile(folder + "/Vellamore", "#!/bin/sh\necho started \"$@\"\n");
    std::filesystem::permissions(folder + "/Vellamore", std::filesystem::perms::owner_all);
    return folder;
  }

  std::string SettingsFile() const { return m_home.ConfigHome() + "/Olvenmark/Vellamore.conf"; }
};

std::string RegisteredLibrary() {
  char path[512];
  int32_t size = sizeof path;
  return CmGetConduitLibraryPath("Vlmr", path, &size) == kCmErrNone ? path : "";
}

TEST_F(SetUpTest, RemoveFailsWhenTheSettingsStay) {
  std::filesystem::create_directories(SettingsFile());  // a folder where the settings file belongs

  const ProgramResult result = RunProgram({BinPath("vellamore-setup"), "--remove"});
  EXPECT_EQ(result.exitStatus, 1) << result.out;
  EXPECT_TRUE(Contains(result.err, "still in " + SettingsFile())) << result.err;
  EXPECT_FALSE(Contains(result.out, "are removed")) << result.out;
}

TEST_F(SetUpTest, LauncherSetsUpWhatIsMissingOnceAndStartsTheProgram) {
  const std::string folder = LauncherFolder();

  ProgramResult result = RunProgram({folder + "/vellamore-start", "-x"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out, "started -x\n");
  EXPECT_EQ(RegisteredLibrary(), folder + "/VellamoreCnd.so");
  EXPECT_EQ(settings::QueryValue(kDirectoriesKey, kDataDirValue), m_home.DataHome() + "/Vellamore");

  // Started again: the registration and its HotSync action stay as they are.
  ASSERT_EQ(CmSetSyncType("Vlmr", 2), 0);
  result = RunProgram({folder + "/vellamore-start"});
  EXPECT_EQ(result.out, "started\n");
  EXPECT_EQ(result.err, "");
  int32_t syncType = -1;
  EXPECT_EQ(CmGetSyncType("Vlmr", &syncType), 0);
  EXPECT_EQ(syncType, 2);
}

class LauncherHelpTest : public SetUpTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LauncherHelpTest, NamesTheDataDirectoryAndTheSettingItComesFrom) {
  const bool setUp = GetParam();
  const std::string dataFolder =
      setUp ? m_home.PathOf("chosen data") : m_home.DataHome() + "/Vellamore";
  if (setUp) {
    std::filesystem::create_directories(dataFolder);
    ASSERT_EQ(settings::SetValue(kDirectoriesKey, kDataDirValue, dataFolder), 0);
  }
  const std::string folder = LauncherFolder();

  const ProgramResult result = RunProgram({folder + "/vellamore-start", "--help"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_TRUE(Contains(result.out, "Data directory: " + dataFolder)) << result.out;
  EXPECT_TRUE(Contains(result.out, kDataDirValue)) << result.out;
  EXPECT_TRUE(Contains(result.out, SettingsFile())) << result.out;
  EXPECT_EQ(Contains(result.out, "not set up yet"), !setUp) << result.out;
  // Asking sets nothing up.
  EXPECT_EQ(settings::KeyExists(kDirectoriesKey), setUp);
  EXPECT_EQ(RegisteredLibrary(), "");
}

INSTANTIATE_TEST_SUITE_P(SetUpBefore, LauncherHelpTest, ::testing::Bool());

}  // namespace
}  // namespace uninstall::testing
