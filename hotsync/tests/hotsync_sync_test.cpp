// `hotsync sync` end to end: real processes on a real handheld image made
// by the companion, with the echo test conduit registered through condcfg.
// Checks the exit statuses, the terminal output, the HotSync log file, the
// sync types handed to the conduit and the install queue.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

#include "common/hotsync_home.h"
#include "condmgr/condmgr.h"
#include "fs/fs.h"
#include "instaide/instaide.h"
#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "testing/files.h"
#include "testing/run_program.h"
#include "testing/scoped_env.h"
#include "testing/table.h"

namespace hotsync {
namespace {

using vlmtest::BinPath;
using vlmtest::FileExists;
using vlmtest::ProgramResult;
using vlmtest::ReadFile;
using vlmtest::RunProgram;

class HotSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_image = m_work.Path() + "/palm";
    ASSERT_EQ(Run("handheld", {"create", m_image, "--user", "Ada"}).exitStatus, 0);
    ASSERT_EQ(Run("condcfg", {"add", "Echo", ECHO_CONDUIT_PATH}).exitStatus, 0);
  }

  ProgramResult Run(const std::string& program, std::vector<std::string> arguments,
                    const std::vector<std::string>& environment = {}) {
    arguments.insert(arguments.begin(), BinPath(program));
    return RunProgram(arguments, environment);
  }

  ProgramResult Sync(const std::vector<std::string>& environment = {},
                     std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"sync", m_image};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return Run("hotsync", arguments, environment);
  }

  std::string LogFile() const { return ReadFile(UserLogPath(m_home.Path(), "Ada")); }

  vlmtest::TempFolderEnv m_home{"HOTSYNC_HOME"};
  vlmtest::TempFolder m_work;
  std::string m_image;
};

TEST_F(HotSyncTest, SyncCallsTheConduitAndLogsItsEntriesToFileAndTerminal) {
  const ProgramResult result = Sync();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("Conduit Echo (Echo): sync type 0"), std::string::npos) << result.out;
  // Each entry is shown as it is written, before the conduit returns.
  const size_t entry = result.out.find("  -1 note\techo: sync type 0 for Ada\n");
  EXPECT_NE(entry, std::string::npos) << result.out;
  EXPECT_LT(entry, result.out.find("Conduit Echo returned 0"));
  EXPECT_NE(result.out.find("HotSync complete."), std::string::npos);
  const std::regex line(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\t-1\techo: sync type 0 for Ada\n)");
  EXPECT_TRUE(std::regex_match(LogFile(), line)) << LogFile();
  // The manager's own messages stay on the terminal.
  EXPECT_EQ(LogFile().find("Conduit Echo"), std::string::npos);

  ASSERT_EQ(Sync().exitStatus, 0);
  std::istringstream lines(LogFile());
  int count = 0;
  for (std::string text; std::getline(lines, text);) ++count;
  EXPECT_EQ(count, 2);  // newest HotSync appended last
}

TEST_F(HotSyncTest, LineBreaksInALogTextAreWrittenAsBackslashN) {
  const ProgramResult result = Sync({"ECHO_CONDUIT_TEXT=two\nlines\r\nthree"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(LogFile().find("\t22\ttwo\\nlines\\nthree\n"), std::string::npos) << LogFile();
  EXPECT_NE(result.out.find("  22 warning or error\ttwo\\nlines\\nthree\n"), std::string::npos)
      << result.out;
}

TEST_F(HotSyncTest, AConduitErrorMakesExitStatusOne) {
  const ProgramResult result = Sync({"ECHO_CONDUIT_RESULT=16387"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("Conduit Echo returned 16387"), std::string::npos) << result.out;
}

TEST_F(HotSyncTest, AnUnloadableConduitFailsTheHotSyncButTheOthersStillRun) {
  ASSERT_EQ(CmAddConduit("Gone", "/nonexistent/Gone.so"), kCmErrNone);
  const ProgramResult result = Sync();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("conduit Gone: cannot load"), std::string::npos) << result.err;
  EXPECT_NE(LogFile().find("echo: sync type 0 for Ada"), std::string::npos);
}

TEST_F(HotSyncTest, TheNextHotSyncTypeIsUsedOnceAndTheOverrideLeavesIt) {
  ASSERT_EQ(CmSetSyncType("Echo", 3), kCmErrNone);
  ASSERT_EQ(CmSetNextSyncType("Echo", 2), kCmErrNone);

  ProgramResult result = Sync({}, {"--sync-type", "6"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("echo: sync type 6 for Ada"), std::string::npos);
  int32_t next = 0;
  ASSERT_EQ(CmGetNextSyncType("Echo", &next), kCmErrNone);
  EXPECT_EQ(next, 2);

  result = Sync();
  EXPECT_NE(result.out.find("echo: sync type 2 for Ada"), std::string::npos);
  ASSERT_EQ(CmGetNextSyncType("Echo", &next), kCmErrNone);
  EXPECT_EQ(next, -1);

  result = Sync();
  EXPECT_NE(result.out.find("echo: sync type 3 for Ada"), std::string::npos);
}

TEST_F(HotSyncTest, ANewUserGetsAFolder) {
  const std::string other = m_work.Path() + "/other";
  ASSERT_EQ(Run("handheld", {"create", other, "--user", "Bo/b"}).exitStatus, 0);
  ASSERT_EQ(Run("hotsync", {"sync", other}).exitStatus, 0);
  EXPECT_TRUE(FileExists(m_home.Path() + "/Bo%2Fb/HotSync.log"));
  EXPECT_EQ(PltGetUserCount(), 1);  // Ada has had no HotSync yet
}

TEST_F(HotSyncTest, ASecondHotSyncAndHandheldWritesDuringAHotSyncAreRefusedAsBusy) {
  // The conduit of the first HotSync starts both while it runs.
  const std::string second = m_work.Path() + "/second.txt";
  const std::string request = m_work.Path() + "/request.txt";
  const std::string command =
      "unset ECHO_CONDUIT_RUN; '" + BinPath("hotsync") + "' sync '" + m_image + "' >'" + second +
      "' 2>&1; echo \"exit $?\" >>'" + second + "'; '" + BinPath("handheld") + "' request '" +
      m_image + "' search >'" + request + "' 2>&1; echo \"exit $?\" >>'" + request + "'";
  const ProgramResult result = Sync({"ECHO_CONDUIT_RUN=" + command});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(ReadFile(second).find("is busy: another HotSync is running on it"), std::string::npos)
      << ReadFile(second);
  EXPECT_NE(ReadFile(second).find("exit 1\n"), std::string::npos);
  EXPECT_EQ(ReadFile(second).find("Conduit Echo"), std::string::npos);
  EXPECT_NE(ReadFile(request).find("is busy"), std::string::npos) << ReadFile(request);
  EXPECT_NE(ReadFile(request).find("exit 1\n"), std::string::npos);
  EXPECT_FALSE(platform::pdb::HandheldImage(m_image).HasDatabase("Saved Preferences"));
  // Only the first HotSync wrote to the log.
  const std::string log = LogFile();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

TEST_F(HotSyncTest, ANamedPipeInTheImageIsRefusedWithoutHanging) {
  ASSERT_EQ(mkfifo((m_image + "/VlmrFilesDB.pdb").c_str(), 0600), 0);
  const ProgramResult sync = Sync();
  EXPECT_EQ(sync.exitStatus, 2);
  EXPECT_NE(sync.err.find("VlmrFilesDB.pdb\" is not a regular file"), std::string::npos)
      << sync.err;
  EXPECT_EQ(sync.out.find("Conduit Echo"), std::string::npos);
  const ProgramResult files = Run("handheld", {"files", m_image});
  EXPECT_EQ(files.exitStatus, 1);
  EXPECT_NE(files.err.find("VlmrFilesDB.pdb\" is not a regular file"), std::string::npos)
      << files.err;
}

struct UnusableImageCase : vlmtest::NamedRow {
  const char* identity;  // handheld.ini text; nullptr: no image folder at all
};

class UnusableImageTest : public HotSyncTest,
                          public ::testing::WithParamInterface<UnusableImageCase> {};

TEST_P(UnusableImageTest, ExitsTwoWithAMessageAndCallsNoConduit) {
  const std::string folder = m_work.Path() + "/bad";
  if (GetParam().identity != nullptr) {
    std::filesystem::create_directories(folder);
    if (*GetParam().identity) vlmtest::WriteFile(folder + "/handheld.ini", GetParam().identity);
  }
  const ProgramResult result = Run("hotsync", {"sync", folder});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("hotsync: "), std::string::npos);
  EXPECT_EQ(result.out.find("Conduit Echo"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Images, UnusableImageTest,
                         ::testing::Values(UnusableImageCase{"NoFolder", nullptr},
                                           UnusableImageCase{"NoIdentity", ""},
                                           UnusableImageCase{"EmptyName", "[User]\nName=\n"}),
                         vlmtest::RowName());

TEST_F(HotSyncTest, BadCommandLinesExitTwo) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"sync"},
                                             {"sync", m_image, "--sync-type", "7"},
                                             {"sync", m_image, "--sync-type"},
                                             {"sync", m_image, "--fast"},
                                             {"configure"},
                                             {"frobnicate"}}) {
    EXPECT_EQ(Run("hotsync", arguments).exitStatus, 2) << arguments.back();
  }
}

std::vector<uint8_t> SmallResourceDatabase(const std::string& name) {
  platform::pdb::PalmDatabase database;
  database.name = name;
  database.attributes = platform::pdb::kDbAttrResource;
  database.type = platform::pdb::FourCC("appl");
  database.creator = platform::pdb::FourCC("Test");
  database.resources.push_back({platform::pdb::FourCC("code"), 1, {1, 2, 3}});
  return platform::pdb::SerializePalmDatabase(database);
}

TEST_F(HotSyncTest, QueuedDatabasesAreInstalledAndInvalidOnesDropped) {
  std::filesystem::create_directories(UserFolder(m_home.Path(), "Ada"));
  const std::string good = m_work.Path() + "/game.prc";
  const std::string bad = m_work.Path() + "/broken.pdb";
  vlmtest::WriteFile(good, SmallResourceDatabase("Test Game"));
  vlmtest::WriteFile(bad, "this is not a Palm database");
  ASSERT_EQ(PltInstallFile("Ada", good.c_str()), kPltErrNone);
  ASSERT_EQ(PltInstallFile("Ada", bad.c_str()), kPltErrNone);

  const ProgramResult result = Sync();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("Installed \"game.prc\" as database \"Test Game\"."), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Not installed \"broken.pdb\": not a valid Palm database"),
            std::string::npos);
  platform::pdb::HandheldImage image(m_image);
  EXPECT_TRUE(image.HasDatabase("Test Game"));
  EXPECT_EQ(ReadFile(m_image + "/Test Game.prc"), ReadFile(good));
  EXPECT_FALSE(FileExists(m_image + "/broken.pdb"));
  const std::string queue = InstallQueueFolder(m_home.Path(), "Ada");
  EXPECT_FALSE(FileExists(queue + "/game.prc"));
  EXPECT_FALSE(FileExists(queue + "/broken.pdb"));
}

// Two programs of one file name from two folders, and a name that starts
// with a dot: each is queued and installed.
TEST_F(HotSyncTest, EveryQueuedFileIsInstalledWhateverItsName) {
  std::filesystem::create_directories(UserFolder(m_home.Path(), "Ada"));
  std::filesystem::create_directories(m_work.Path() + "/one");
  std::filesystem::create_directories(m_work.Path() + "/two");
  const std::vector<std::pair<std::string, std::string>> programs = {
      {"/one/game.prc", "First Game"}, {"/two/game.prc", "Second Game"}, {"/.dot.prc", "Dot"}};
  for (const auto& [file, database] : programs) {
    vlmtest::WriteFile(m_work.Path() + file, SmallResourceDatabase(database));
    ASSERT_EQ(PltInstallFile("Ada", (m_work.Path() + file).c_str()), kPltErrNone) << file;
  }

  const ProgramResult result = Sync();
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  platform::pdb::HandheldImage image(m_image);
  for (const auto& [file, database] : programs) {
    EXPECT_TRUE(image.HasDatabase(database)) << file << "\n" << result.out;
  }
  EXPECT_TRUE(platform::ListDirectory(InstallQueueFolder(m_home.Path(), "Ada"), "*").empty());
}

// A queue entry that a killed Install Aide left half-filled is removed once
// it is old; one that may still be being filled is left alone.
TEST_F(HotSyncTest, AbandonedQueueEntriesAreRemovedWhenOld) {
  const std::string queue = InstallQueueFolder(m_home.Path(), "Ada");
  const std::string abandoned = queue + "/.new-Ab12Cd";
  const std::string fresh = queue + "/.new-Ef34Gh";
  for (const std::string& entry : {abandoned, fresh}) {
    std::filesystem::create_directories(entry);
    vlmtest::WriteFile(entry + "/game.prc", "half");
  }
  vlmtest::SetModifiedTime(abandoned, time(nullptr) - 7200);  // two hours ago

  ASSERT_EQ(Sync().exitStatus, 0);
  EXPECT_FALSE(FileExists(abandoned));
  EXPECT_TRUE(FileExists(fresh + "/game.prc"));
}

}  // namespace
}  // namespace hotsync
