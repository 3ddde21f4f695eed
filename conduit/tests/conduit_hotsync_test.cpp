// VellamoreCnd.so end to end: registered with condcfg, run by `hotsync sync`
// on an image made by the `handheld` companion, configured through the
// terminal action dialog of `hotsync configure` on a pseudo-terminal.
// Checks the HotSync log file, exit statuses and the request preference.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "testing/hotsync_world.h"
#include "testing/log_line.h"
#include "testing/run_program.h"

namespace conduit {
namespace {

namespace fs = std::filesystem;
using vlmtest::BinPath;
using vlmtest::LogLine;

struct ProgramResult {
  int exitStatus = -1;
  std::string output;  // standard output and error together
};

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

// The world is made once the programs are known to be built.
class ConduitHotSync : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"hotsync", "handheld", "condcfg", "VellamoreCnd.so"}) {
      if (!fs::exists(BinPath(program))) GTEST_SKIP() << program << " is not built";
    }
    m_world.emplace();
  }

  // Runs `hotsync sync` with the options; fails the test when it cannot run.
  platform::ProcessResult Sync(const std::vector<std::string>& environment = {},
                               const std::vector<std::string>& options = {}) {
    platform::ProcessResult result = m_world->HotSync(environment, options);
    EXPECT_EQ(result.outcome, platform::ProcessOutcome::kExited) << result.standardError;
    return result;
  }
  std::optional<platform::pdb::AppPreference> Preference() const {
    return m_world->RequestPreference();
  }
  bool StoreExists() const { return fs::exists(m_world->DataFolder() + "/Vellamore.dat"); }

  std::optional<vlmtest::HotSyncWorld> m_world;
};

const LogLine kStart{"", 19};
const LogLine kEnd{"Vellamore", 20};
const std::vector<LogLine> kDoNothingLog = {{"Vellamore configured to do nothing.", -1}};

TEST_F(ConduitHotSync, DoNothingTypeLogsOneLine) {
  m_world->Handheld("request", {"fetch"});
  const platform::ProcessResult result = Sync({}, {"--sync-type", "6"});
  EXPECT_EQ(result.exitStatus, 0) << result.standardOutput;
  EXPECT_EQ(m_world->Log(), kDoNothingLog);
  EXPECT_EQ(Preference()->data[0], 3) << "the request waits";
  EXPECT_FALSE(StoreExists());
}

TEST_F(ConduitHotSync, DonePreferenceIsLeftAsItWas) {
  std::vector<uint8_t> preference(18, 0x11);
  preference[0] = 2;
  preference[1] = 0xFF;
  m_world->PutRequestPreference(preference, 4);
  const platform::ProcessResult result = Sync();
  EXPECT_EQ(result.exitStatus, 0) << result.standardOutput;
  const std::vector<LogLine> log = m_world->Log();
  ASSERT_GE(log.size(), 2u) << result.standardOutput;
  EXPECT_EQ(log.front(), kStart);
  EXPECT_EQ(log.back(), kEnd);
  const auto after = Preference();
  ASSERT_TRUE(after);
  EXPECT_EQ(after->version, 4);
  EXPECT_EQ(after->data, preference);
  EXPECT_TRUE(StoreExists());
}

TEST_F(ConduitHotSync, UnreadablePreferenceIsNotWritten) {
  const platform::ProcessResult result = Sync();
  EXPECT_EQ(result.exitStatus, 0) << result.standardOutput;
  ASSERT_FALSE(m_world->Log().empty());
  EXPECT_EQ(m_world->Log().back(), kEnd);
  EXPECT_FALSE(Preference());
}

TEST_F(ConduitHotSync, FailedRegistrationFailsTheConduitWithoutLogLines) {
  m_world->Handheld("request", {"fetch"});
  const platform::ProcessResult result = Sync({"SYNCMGR_FAIL=SyncRegisterConduit"});
  EXPECT_EQ(result.exitStatus, 1) << result.standardOutput;
  EXPECT_TRUE(m_world->Log().empty());
  const auto after = Preference();
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
  EXPECT_EQ(m_world->Log(), kDoNothingLog);
}

TEST_F(ConduitHotSync, ConfigureWithoutATerminalChangesNothing) {
  const platform::ProcessResult configured =
      platform::RunProcess({"setsid", "-w", BinPath("hotsync"), "configure", "Vlmr"});
  const std::string output = configured.standardOutput + configured.standardError;
  EXPECT_EQ(configured.exitStatus, 0) << output;
  EXPECT_NE(output.find("no terminal"), std::string::npos) << output;
  ASSERT_EQ(Sync().exitStatus, 0);
  ASSERT_FALSE(m_world->Log().empty());
  EXPECT_EQ(m_world->Log().front(), kStart);
}

}  // namespace
}  // namespace conduit
