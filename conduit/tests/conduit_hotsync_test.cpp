// VellamoreCnd.so end to end: registered with condcfg, run by `hotsync sync`
// on an image made by the `handheld` companion, configured through the
// terminal action dialog of `hotsync configure` on a pseudo-terminal.
// Checks the HotSync log file, exit statuses and the request preference.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sync_test_support.h"
#include "testing/log_line.h"
#include "testing/run_program.h"

namespace conduit {
namespace {

namespace fs = std::filesystem;
using vlmtest::BinPath;

struct ProgramResult {
  int exitStatus = -1;
  std::string output;  // standard output and error together
};

// Runs a built program with the test's environment; arguments are plain
// words (temporary paths hold no spaces or quotes).
ProgramResult RunCommand(const std::string& commandLine) {
  ProgramResult result;
  FILE* pipe = popen((commandLine + " </dev/null 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.output.append(buffer, got);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

// Runs `argv` on a new pseudo-terminal as its controlling terminal, answers
// `input` once the dialog has asked, and returns what the terminal showed.
ProgramResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& input) {
  ProgramResult result;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return result;
  const std::string slaveName = ptsname(master);
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int slave = open(slaveName.c_str(), O_RDWR);  // becomes the controlling terminal
    dup2(slave, STDIN_FILENO);
    dup2(slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  bool answered = false;
  char buffer[1024];
  for (ssize_t got;
       (got = read(master, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR);) {
    if (got < 0) continue;
    result.output.append(buffer, static_cast<size_t>(got));
    if (!answered && result.output.find("Enter = OK") != std::string::npos) {
      answered = write(master, input.data(), input.size()) == static_cast<ssize_t>(input.size());
    }
  }
  close(master);
  int status = 0;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  }
  return result;
}

class ConduitHotSync : public ::testing::Test {
 protected:
  ConduitHotSync()
      : m_homeEnv("HOTSYNC_HOME", m_root.PathOf("hotsync")),
        m_configEnv("XDG_CONFIG_HOME", m_root.PathOf("config")),
        m_runtimeEnv("XDG_RUNTIME_DIR", m_root.PathOf("runtime")) {}

  void SetUp() override {
    for (const char* program : {"hotsync", "handheld", "condcfg", "VellamoreCnd.so"}) {
      if (!fs::exists(BinPath(program))) GTEST_SKIP() << program << " is not built";
    }
    fs::create_directories(m_root.PathOf("runtime"));
    fs::create_directories(m_root.PathOf("data"));
    testing::WriteDataDirSetting(m_root.PathOf("data"));
    ASSERT_EQ(RunCommand(BinPath("handheld") + " create " + Image() + " --user Ada").exitStatus, 0);
    const ProgramResult added = RunCommand(BinPath("condcfg") + " add Vlmr " +
                                           BinPath("VellamoreCnd.so") + " --name Vellamore");
    ASSERT_EQ(added.exitStatus, 0) << added.output;
  }

  std::string Image() const { return m_root.PathOf("palm"); }
  std::vector<testing::LogLine> Log() const {
    return vlmtest::ReadLogFile(m_root.PathOf("hotsync/Ada/HotSync.log"));
  }
  ProgramResult Sync(const std::string& options = "") {
    return RunCommand(BinPath("hotsync") + " sync " + Image() + options);
  }

  testing::TempFolder m_root;
  testing::ScopedEnv m_homeEnv, m_configEnv, m_runtimeEnv;
};

const testing::LogLine kStart{"", 19};
const testing::LogLine kEnd{"Vellamore", 20};

TEST_F(ConduitHotSync, DoNothingTypeLogsOneLine) {
  ASSERT_EQ(RunCommand(BinPath("handheld") + " request " + Image() + " fetch").exitStatus, 0);
  const ProgramResult result = Sync(" --sync-type 6");
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_EQ(Log(), (std::vector<testing::LogLine>{{"Vellamore configured to do nothing.", -1}}));
  EXPECT_EQ(testing::ReadRequestPreference(Image())->data[0], 3) << "the request waits";
  EXPECT_FALSE(fs::exists(m_root.PathOf("data/Vellamore.dat")));
}

TEST_F(ConduitHotSync, DonePreferenceIsLeftAsItWas) {
  std::vector<uint8_t> preference(18, 0x11);
  preference[0] = 2;
  preference[1] = 0xFF;
  testing::WriteRequestPreference(Image(), preference, 4);
  const ProgramResult result = Sync();
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  const std::vector<testing::LogLine> log = Log();
  ASSERT_GE(log.size(), 2u) << result.output;
  EXPECT_EQ(log.front(), kStart);
  EXPECT_EQ(log.back(), kEnd);
  const auto after = testing::ReadRequestPreference(Image());
  ASSERT_TRUE(after);
  EXPECT_EQ(after->version, 4);
  EXPECT_EQ(after->data, preference);
  EXPECT_TRUE(fs::exists(m_root.PathOf("data/Vellamore.dat")));
}

TEST_F(ConduitHotSync, UnreadablePreferenceIsNotWritten) {
  const ProgramResult result = Sync();
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back(), kEnd);
  EXPECT_FALSE(testing::ReadRequestPreference(Image()));
}

TEST_F(ConduitHotSync, FailedRegistrationFailsTheConduitWithoutLogLines) {
  ASSERT_EQ(RunCommand(BinPath("handheld") + " request " + Image() + " fetch").exitStatus, 0);
  const ProgramResult result =
      RunCommand("SYNCMGR_FAIL=SyncRegisterConduit " + BinPath("hotsync") + " sync " + Image());
  EXPECT_EQ(result.exitStatus, 1) << result.output;
  EXPECT_TRUE(Log().empty());
  const auto after = testing::ReadRequestPreference(Image());
  ASSERT_TRUE(after);
  EXPECT_EQ(after->data[0], 3);
  EXPECT_EQ(after->data[1], 0xFF);
}

TEST_F(ConduitHotSync, DoNothingChosenInTheActionDialogStopsTheNextHotSync) {
  const ProgramResult configured =
      RunOnTerminal({BinPath("hotsync"), "configure", "Vlmr"}, "4\nd\n\n");
  EXPECT_EQ(configured.exitStatus, 0) << configured.output;
  EXPECT_NE(configured.output.find("Do nothing"), std::string::npos) << configured.output;
  EXPECT_NE(configured.output.find("[x] Set as default"), std::string::npos);

  ASSERT_EQ(Sync().exitStatus, 0);
  EXPECT_EQ(Log(), (std::vector<testing::LogLine>{{"Vellamore configured to do nothing.", -1}}));
}

TEST_F(ConduitHotSync, ConfigureWithoutATerminalChangesNothing) {
  const ProgramResult configured =
      RunCommand("setsid -w " + BinPath("hotsync") + " configure Vlmr");
  EXPECT_EQ(configured.exitStatus, 0) << configured.output;
  EXPECT_NE(configured.output.find("no terminal"), std::string::npos) << configured.output;
  ASSERT_EQ(Sync().exitStatus, 0);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().front(), kStart);
}

}  // namespace
}  // namespace conduit
