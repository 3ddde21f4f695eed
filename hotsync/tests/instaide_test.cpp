// The Install Aide's exports: the manager's path beside the library, the
// users of a real data folder, and the install queue with its refusals.
#include "instaide/instaide.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "common/hotsync_home.h"
#include "testing/files.h"
#include "testing/scoped_env.h"

namespace hotsync {
namespace {

using std::filesystem::create_directories;
using vlmtest::FileExists;
using vlmtest::ReadFile;
using vlmtest::TempFolderEnv;
using vlmtest::WriteFile;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

TEST(PltGetPathTest, KindTwoIsTheHotSyncProgramBesideTheLibrary) {
  char buffer[256];
  int16_t size = sizeof buffer;
  ASSERT_EQ(PltGetPath(kPltPathHotSyncProgram, buffer, &size), kPltErrNone);
  EXPECT_EQ(std::string(buffer), RealPath(VELLAMORE_BIN_DIR) + "/hotsync");
  EXPECT_EQ(size, static_cast<int16_t>(std::strlen(buffer)));
}

TEST(PltGetPathTest, ShortBufferIsLeftAloneAndTheNeededSizeReported) {
  char full[256];
  int16_t fullSize = sizeof full;
  ASSERT_EQ(PltGetPath(2, full, &fullSize), kPltErrNone);

  char buffer[256];
  std::memset(buffer, '#', sizeof buffer);
  int16_t size = fullSize;  // one short: no room for the NUL
  EXPECT_EQ(PltGetPath(2, buffer, &size), kPltErrBufferTooSmall);
  EXPECT_EQ(size, fullSize + 1);
  EXPECT_EQ(buffer[0], '#');

  size = static_cast<int16_t>(fullSize + 1);
  EXPECT_EQ(PltGetPath(2, buffer, &size), kPltErrNone);
  EXPECT_EQ(size, fullSize);
  EXPECT_EQ(buffer[fullSize + 1], '#');
}

TEST(PltGetPathTest, OtherKindsAndMissingPointersFail) {
  char buffer[256];
  int16_t size = sizeof buffer;
  for (int16_t kind : {0, 1, 3, -2}) EXPECT_EQ(PltGetPath(kind, buffer, &size), kPltErrBadKind);
  EXPECT_EQ(PltGetPath(2, nullptr, &size), kPltErrBadArgument);
  EXPECT_EQ(PltGetPath(2, buffer, nullptr), kPltErrBadArgument);
  size = -1;
  EXPECT_EQ(PltGetPath(2, buffer, &size), kPltErrBadArgument);
}

class InstaideUsersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* user : {"Zed", "Ada", "a/b", ".dot"})
      std::filesystem::create_directories(UserFolder(m_home.Path(), user));
    std::filesystem::create_directories(m_home.Path() + "/.hidden");
    std::filesystem::create_directories(m_home.Path() + "/bad%zz");
    WriteFile(m_home.Path() + "/conduits.ini", "");
  }

  TempFolderEnv m_home{"HOTSYNC_HOME"};
};

TEST_F(InstaideUsersTest, UsersAreTheUserFoldersInByteOrder) {
  ASSERT_EQ(PltGetUserCount(), 4);
  // Folder names "%2Edot", "Ada", "Zed", "a%2Fb" in byte order.
  const char* expected[] = {".dot", "Ada", "Zed", "a/b"};
  for (uint32_t i = 0; i < 4; ++i) {
    char name[80];
    int16_t size = sizeof name;
    ASSERT_EQ(PltGetUser(i, name, &size), kPltErrNone);
    EXPECT_STREQ(name, expected[i]);
    EXPECT_EQ(size, static_cast<int16_t>(std::strlen(expected[i])));
  }
  char name[80];
  int16_t size = sizeof name;
  EXPECT_EQ(PltGetUser(4, name, &size), kPltErrBadIndex);
}

TEST_F(InstaideUsersTest, UserNameBufferEdges) {
  char name[8];
  std::memset(name, '#', sizeof name);
  int16_t size = 3;  // "Ada" needs 4
  EXPECT_EQ(PltGetUser(1, name, &size), kPltErrBufferTooSmall);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(name[0], '#');
  size = 4;
  EXPECT_EQ(PltGetUser(1, name, &size), kPltErrNone);
  EXPECT_STREQ(name, "Ada");
  EXPECT_EQ(name[4], '#');
  EXPECT_EQ(PltGetUser(1, nullptr, &size), kPltErrBadArgument);
}

TEST_F(InstaideUsersTest, InstallFileQueuesACopyForTheUser) {
  const std::string source = m_home.Path() + "/Game.PRC";
  WriteFile(source, "first");
  ASSERT_EQ(PltInstallFile("a/b", source.c_str()), kPltErrNone);
  const std::string queue = InstallQueueFolder(m_home.Path(), "a/b");
  EXPECT_EQ(ReadFile(queue + "/00000001/Game.PRC"), "first");
  EXPECT_TRUE(FileExists(source));

  // A second file of the same name is queued beside the first.
  WriteFile(source, "second");
  ASSERT_EQ(PltInstallFile("a/b", source.c_str()), kPltErrNone);
  EXPECT_EQ(ReadFile(queue + "/00000001/Game.PRC"), "first");
  EXPECT_EQ(ReadFile(queue + "/00000002/Game.PRC"), "second");
}

struct InstallCase {
  const char* user;
  const char* file;  // relative to the data folder; nullptr for a missing pointer
  int32_t expected;
  friend std::ostream& operator<<(std::ostream& out, const InstallCase& c) {
    return out << "user " << (c.user ? c.user : "null") << ", file " << (c.file ? c.file : "null");
  }
};

class InstallFileErrorTest : public InstaideUsersTest,
                             public ::testing::WithParamInterface<InstallCase> {};

TEST_P(InstallFileErrorTest, RefusalsQueueNothing) {
  WriteFile(m_home.Path() + "/ok.pdb", "x");
  WriteFile(m_home.Path() + "/notes.txt", "x");
  std::filesystem::create_directories(m_home.Path() + "/folder.prc");
  ASSERT_EQ(mkfifo((m_home.Path() + "/pipe.prc").c_str(), 0600), 0);
  const InstallCase& c = GetParam();
  const std::string path = c.file ? m_home.Path() + "/" + c.file : std::string();
  EXPECT_EQ(PltInstallFile(c.user, c.file ? path.c_str() : nullptr), c.expected);
  if (c.user && *c.user && FileExists(UserFolder(m_home.Path(), c.user))) {
    EXPECT_FALSE(FileExists(InstallQueueFolder(m_home.Path(), c.user)));
  }
}

INSTANTIATE_TEST_SUITE_P(Refusals, InstallFileErrorTest,
                         ::testing::Values(InstallCase{"", "ok.pdb", kPltErrNoSuchUser},
                                           InstallCase{nullptr, "ok.pdb", kPltErrNoSuchUser},
                                           InstallCase{"Nobody", "ok.pdb", kPltErrNoSuchUser},
                                           InstallCase{"ada", "ok.pdb", kPltErrNoSuchUser},
                                           InstallCase{"Ada", "missing.prc", kPltErrNoFile},
                                           InstallCase{"Ada", "folder.prc", kPltErrNoFile},
                                           InstallCase{"Ada", "pipe.prc", kPltErrNoFile},
                                           InstallCase{"Ada", "notes.txt", kPltErrNotInstallable},
                                           InstallCase{"Ada", nullptr, kPltErrBadArgument}));

TEST(InstaideNoHomeTest, WithoutAnyDataFolderThereAreNoUsers) {
  vlmtest::TempFolder folder;
  const std::string source = folder.Path() + "/a.prc";
  WriteFile(source, "x");
  const vlmtest::ScopedEnv noHotSyncHome("HOTSYNC_HOME", std::nullopt);
  const vlmtest::ScopedEnv noDataHome("XDG_DATA_HOME", std::nullopt);
  const vlmtest::ScopedEnv noHome("HOME", std::nullopt);
  EXPECT_EQ(PltGetUserCount(), 0);
  EXPECT_EQ(PltInstallFile("Ada", source.c_str()), kPltErrNoHome);
}

struct FolderNameCase {
  const char* user;
  const char* folder;
  friend std::ostream& operator<<(std::ostream& out, const FolderNameCase& c) {
    return out << c.folder;
  }
};

class FolderNameTest : public ::testing::TestWithParam<FolderNameCase> {};

TEST_P(FolderNameTest, UserNamesMapToOneFolderNameAndBack) {
  EXPECT_EQ(FolderNameOfUser(GetParam().user), GetParam().folder);
  EXPECT_EQ(UserOfFolderName(GetParam().folder), std::optional<std::string>(GetParam().user));
}

INSTANTIATE_TEST_SUITE_P(Names, FolderNameTest,
                         ::testing::Values(FolderNameCase{"Ada", "Ada"},
                                           FolderNameCase{"Ada Lovelace", "Ada Lovelace"},
                                           FolderNameCase{"a/b", "a%2Fb"},
                                           FolderNameCase{"100%", "100%25"},
                                           FolderNameCase{".", "%2E"}, FolderNameCase{"..", "%2E."},
                                           FolderNameCase{"x.y", "x.y"}));

TEST(FolderNameTest, FolderNamesThatNoUserMakesAreNotUsers) {
  for (const char* folder : {"", ".hidden", "bad%zz", "trail%2", "%41da", "a%2fb"}) {
    EXPECT_FALSE(UserOfFolderName(folder).has_value()) << folder;
  }
}

}  // namespace
}  // namespace hotsync
