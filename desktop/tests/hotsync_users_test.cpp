// The HotSync users' names through the Install Aide library the build made.
#include "hotsync_users.h"

#include <gtest/gtest.h>

#include "desktop_test_support.h"
#include "fs/fs.h"

namespace desktop {
namespace {

class HotSyncUsersTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!platform::GetFileStatus(test::InstallAidePath())) {
      GTEST_SKIP() << "instaide.so is not built";
    }
  }
  test::Sandbox m_sandbox;
};

TEST_F(HotSyncUsersTest, NamesInTheLibrarysOrder) {
  m_sandbox.AddHotSyncUsers({"Zoe", "Anne Smith", "bob"});
  EXPECT_EQ(ReadHotSyncUsers(test::InstallAidePath()),
            (std::vector<std::string>{"Anne Smith", "Zoe", "bob"}));
}

TEST_F(HotSyncUsersTest, NoUsersNoNames) {
  EXPECT_TRUE(ReadHotSyncUsers(test::InstallAidePath()).empty());
}

TEST_F(HotSyncUsersTest, NameTooLongForTheBufferIsLeftOut) {
  m_sandbox.AddHotSyncUsers({std::string(79, 'a'), std::string(80, 'b'), "Carl"});
  EXPECT_EQ(ReadHotSyncUsers(test::InstallAidePath()),
            (std::vector<std::string>{"Carl", std::string(79, 'a')}));
}

TEST(HotSyncUsersWithoutLibraryTest, MissingLibraryGivesNoNames) {
  EXPECT_TRUE(ReadHotSyncUsers("/nonexistent/instaide.so").empty());
  EXPECT_TRUE(ReadHotSyncUsers("").empty());
}

}  // namespace
}  // namespace desktop
