// Finding the data directory in the settings, and the fallback to the
// program's own folder.
#include "data_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "desktop_test_support.h"
#include "settings/settings.h"

namespace desktop {
namespace {

class DataDirectoryTest : public testing::Test {
 protected:
  std::optional<std::string> Stored() const {
    return platform::settings::QueryValue(kDirectoriesKey, kDataDirValue);
  }
  void Store(const std::string& value) const {
    ASSERT_EQ(platform::settings::SetValue(kDirectoriesKey, kDataDirValue, value), 0);
  }

  test::Sandbox m_sandbox;
};

TEST_F(DataDirectoryTest, MissingValueTakesAndStoresTheProgramFolder) {
  DataDirectory result = ResolveDataDirectory(m_sandbox.ProgramDir());
  EXPECT_EQ(result.path, m_sandbox.ProgramDir());
  EXPECT_TRUE(result.replaced);
  EXPECT_EQ(result.settingError, 0);
  EXPECT_EQ(Stored(), m_sandbox.ProgramDir());
}

TEST_F(DataDirectoryTest, ExistingFolderIsUsedUnchanged) {
  for (const std::string& value :
       {m_sandbox.DataDir(), m_sandbox.DataDir() + "/", std::string("/")}) {
    Store(value);
    DataDirectory result = ResolveDataDirectory(m_sandbox.ProgramDir());
    EXPECT_EQ(result.path, value);
    EXPECT_FALSE(result.replaced) << value;
    EXPECT_EQ(Stored(), value);
  }
}

TEST_F(DataDirectoryTest, EmptyMissingOrPlainFileIsReplaced) {
  std::string plainFile = m_sandbox.MakeFile("not-a-folder", 10);
  for (const std::string& value :
       {std::string(), m_sandbox.Root() + "/gone", plainFile, plainFile + "/"}) {
    Store(value);
    DataDirectory result = ResolveDataDirectory(m_sandbox.ProgramDir());
    EXPECT_EQ(result.path, m_sandbox.ProgramDir()) << value;
    EXPECT_TRUE(result.replaced);
    EXPECT_EQ(Stored(), m_sandbox.ProgramDir());
  }
}

TEST_F(DataDirectoryTest, TrailingSlashGivesAStorePathThatStillOpens) {
  Store(m_sandbox.DataDir() + "/");
  test::WriteStore(m_sandbox.StorePath(), {test::MakeEntry({.id = 5, .title = "x"})});
  DataDirectory result = ResolveDataDirectory(m_sandbox.ProgramDir());
  auto image = test::ReadStore(store::FileListStore::PathIn(result.path));
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Entries().size(), 1u);
}

// An installed program's folder belongs to the system; a folder that is not
// there stands for it here, since root may write into any folder.
TEST_F(DataDirectoryTest, ProgramFolderThatCannotBeWrittenGivesTheUsersDataFolder) {
  DataDirectory result = ResolveDataDirectory(m_sandbox.Root() + "/usr-lib-vellamore");
  const std::string expected = m_sandbox.DataHome() + "/Vellamore";
  EXPECT_EQ(result.path, expected);
  EXPECT_TRUE(result.replaced);
  EXPECT_EQ(result.settingError, 0);
  EXPECT_TRUE(DataFolderExists(expected));
  EXPECT_EQ(Stored(), expected);
}

TEST_F(DataDirectoryTest, UnwritableSettingsAreReportedButTheFolderIsUsed) {
  ASSERT_EQ(chmod(m_sandbox.ConfigHome().c_str(), 0500), 0);
  if (access((m_sandbox.ConfigHome() + "/.").c_str(), W_OK) == 0) {
    chmod(m_sandbox.ConfigHome().c_str(), 0700);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  DataDirectory result = ResolveDataDirectory(m_sandbox.ProgramDir());
  chmod(m_sandbox.ConfigHome().c_str(), 0700);
  EXPECT_EQ(result.path, m_sandbox.ProgramDir());
  EXPECT_NE(result.settingError, 0);
}

}  // namespace
}  // namespace desktop
