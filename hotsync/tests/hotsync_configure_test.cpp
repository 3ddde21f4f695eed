// `hotsync configure`, resident mode, condcfg, uninst and every program's --help,
// as real processes.
#include <gtest/gtest.h>
#include <unistd.h>

#include "condmgr/condmgr.h"
#include "testing/files.h"
#include "testing/run_program.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "winsta/window_station.h"

namespace hotsync {
namespace {

using vlmtest::BinPath;
using vlmtest::ProgramResult;
using vlmtest::RunProgram;

struct ConfigureCase : vlmtest::NamedRow {
  const char* answer;  // ECHO_CONFIGURE: result, preference, type
  int32_t syncType;    // kept afterwards
  int32_t nextSyncType;
  const char* message;
};

class ConfigureTest : public ::testing::TestWithParam<ConfigureCase> {
 protected:
  void SetUp() override {
    ASSERT_EQ(CmAddConduit("Echo", ECHO_CONDUIT_PATH), kCmErrNone);
    ASSERT_EQ(CmSetSyncType("Echo", 1), kCmErrNone);
  }
  vlmtest::TempFolderEnv m_home{"HOTSYNC_HOME"};
};

TEST_P(ConfigureTest, TheConduitsChoiceIsKeptAsItsPreferenceSays) {
  const ConfigureCase& c = GetParam();
  const ProgramResult result = RunProgram({BinPath("hotsync"), "configure", "Echo"},
                                          {std::string("ECHO_CONFIGURE=") + c.answer});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("echo configure: given type 1"), std::string::npos);
  EXPECT_NE(result.out.find(c.message), std::string::npos) << result.out;
  int32_t type = -5, next = -5;
  ASSERT_EQ(CmGetSyncType("Echo", &type), kCmErrNone);
  ASSERT_EQ(CmGetNextSyncType("Echo", &next), kCmErrNone);
  EXPECT_EQ(type, c.syncType);
  EXPECT_EQ(next, c.nextSyncType);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ConfigureTest,
    ::testing::Values(ConfigureCase{"Permanent", "0,1,6", 6, -1, "set as the default"},
                      ConfigureCase{"Temporary", "0,2,3", 1, 3, "for the next HotSync only"},
                      ConfigureCase{"Cancel", "-1,0,6", 1, -1, "Cancelled"},
                      ConfigureCase{"NoPreference", "0,0,6", 1, -1, "nothing changed"}),
    vlmtest::RowName());

TEST(ConfigureFailureTest, ConduitErrorsAndMissingConduitsAreReported) {
  vlmtest::TempFolderEnv home{"HOTSYNC_HOME"};
  ASSERT_EQ(CmAddConduit("Echo", ECHO_CONDUIT_PATH), kCmErrNone);
  ASSERT_EQ(CmSetNextSyncType("Echo", 2), kCmErrNone);
  ProgramResult result =
      RunProgram({BinPath("hotsync"), "configure", "Echo"}, {"ECHO_CONFIGURE=7,1,3"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("given type 2"), std::string::npos);  // the pending choice
  int32_t type = -5;
  ASSERT_EQ(CmGetSyncType("Echo", &type), kCmErrNone);
  EXPECT_EQ(type, 0);

  result = RunProgram({BinPath("hotsync"), "configure", "None"});
  EXPECT_EQ(result.exitStatus, 2);
  ASSERT_EQ(CmAddConduit("Gone", "/nonexistent/Gone.so"), kCmErrNone);
  result = RunProgram({BinPath("hotsync"), "configure", "Gone"});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("cannot load"), std::string::npos);
}

TEST(ResidentTest, RegistersItsWindowAndQuitsOnMessageBec5) {
  vlmtest::TempFolderEnv runtime{"XDG_RUNTIME_DIR"};
  vlmtest::RunningProgram manager({BinPath("hotsync"), "-r"}, {});
  ASSERT_TRUE(manager.Started());
  std::optional<platform::winsta::WindowInfo> window;
  while (!window && manager.Running()) {
    window = platform::winsta::FindWindowByClass("KittyHawk");
    if (!window) usleep(10000);
  }
  ASSERT_TRUE(window.has_value()) << manager.Wait().err;
  EXPECT_EQ(window->title, "HotSync Manager");
  ASSERT_TRUE(platform::winsta::PostMessage(*window, {platform::winsta::kWmChar, 'R', 0}));
  ASSERT_TRUE(platform::winsta::PostMessage(*window, {0xBEC5, 1, 0}));
  const ProgramResult result = manager.Wait();
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("shut down (message 0xBEC5)"), std::string::npos) << result.out;
  EXPECT_FALSE(platform::winsta::FindWindowByClass("KittyHawk").has_value());
}

TEST(CondCfgTest, AddListAndRemove) {
  vlmtest::TempFolderEnv home{"HOTSYNC_HOME"};
  ProgramResult result = RunProgram({BinPath("condcfg"), "add", "Echo", ECHO_CONDUIT_PATH});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  result = RunProgram({BinPath("condcfg"), "add", "Vlmr", "VellamoreCnd.so", "--name", "Vel"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  result = RunProgram({BinPath("condcfg"), "list"});
  EXPECT_EQ(result.out, std::string("Echo\t0 (Synchronize (fast))\t-\tEcho\t") + ECHO_CONDUIT_PATH +
                            "\nVlmr\t0 (Synchronize (fast))\t-\tVel\tVellamoreCnd.so\n");
  EXPECT_EQ(RunProgram({BinPath("condcfg"), "remove", "Vlmr"}).exitStatus, 0);
  EXPECT_EQ(RunProgram({BinPath("condcfg"), "remove", "Vlmr"}).exitStatus, 1);
  EXPECT_EQ(RunProgram({BinPath("condcfg"), "add", "TooLong", "x.so"}).exitStatus, 1);
  EXPECT_EQ(RunProgram({BinPath("condcfg"), "add", "Vlmr"}).exitStatus, 2);
  EXPECT_EQ(CmGetConduitCount(), 1);
}

TEST(UninstTest, CallsBothExportsAndPassesItsCommandLineOn) {
  ProgramResult result =
      RunProgram({BinPath("uninst"), "-c", "/opt/palm/instaide.so", ECHO_CONDUIT_PATH});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find(std::string(" -c /opt/palm/instaide.so ") + ECHO_CONDUIT_PATH),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("echo uninstall: done"), std::string::npos);

  result = RunProgram({BinPath("uninst"), ECHO_CONDUIT_PATH}, {"ECHO_UNINST_RESULT=-1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(RunProgram({BinPath("uninst"), "/nonexistent/UnX.so"}).exitStatus, 2);
  EXPECT_EQ(RunProgram({BinPath("uninst"), "-c"}).exitStatus, 2);
}

TEST(HelpTest, EveryProgramAndCommandAnswersHelp) {
  const std::vector<std::vector<std::string>> commands = {{"hotsync", "--help"},
                                                          {"hotsync", "sync", "--help"},
                                                          {"hotsync", "configure", "--help"},
                                                          {"condcfg", "--help"},
                                                          {"condcfg", "add", "--help"},
                                                          {"condcfg", "list", "--help"},
                                                          {"condcfg", "remove", "--help"},
                                                          {"handheld", "--help"}};
  std::vector<std::vector<std::string>> all = commands;
  for (const char* command : {"create", "request", "show-request", "search-fields", "results",
                              "select", "files", "extract", "add-text", "add-bitmap", "edit"}) {
    all.push_back({"handheld", command, "--help"});
  }
  for (std::vector<std::string> arguments : all) {
    arguments[0] = BinPath(arguments[0]);
    const ProgramResult result = RunProgram(arguments);
    EXPECT_EQ(result.exitStatus, 0) << arguments[1];
    EXPECT_EQ(result.out.rfind("Usage: ", 0), 0u) << arguments[1];
  }
}

}  // namespace
}  // namespace hotsync
