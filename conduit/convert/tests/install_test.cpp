// Installing handheld programs and databases: the outcome records for a
// queued file and for an Install Aide error, the user name the Install Aide
// receives, a missing library or call, and the real Install Aide queueing
// the file for the HotSync user.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "convert/convert.h"
#include "convert/install_aide.h"
#include "convert_test_support.h"
#include "fs/fs.h"
#include "handheld_records.h"  // records/
#include "syncmgr/syncmgr.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/hotsync_session.h"
#include "testing/image.h"
#include "testing/run_program.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::ContentOf;
using vlmtest::ContentTextOf;
using vlmtest::HeadOf;
using vlmtest::ReadFile;
using vlmtest::ScopedEnv;

// The handheld image of a HotSync whose user is `user`.
std::string UserImage(const vlmtest::TempFolder& folder, const std::string& user) {
  return vlmtest::MakeHandheldImage(folder / "handheld", user);
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_program = m_folder / "Game.prc";
    vlmtest::WriteFile(m_program, std::string(1234, 'p'));
  }

  // The user and path lines the stand-in received.
  std::string StandInLog() const { return ReadFile(m_folder / "instaide.log"); }

  vlmtest::TempFolder m_folder;
  std::string m_program;
  ScopedEnv m_log{"VLM_TEST_INSTAIDE_LOG", m_folder / "instaide.log"};
};

TEST_F(InstallTest, FindsTheInstallAideBesideTheCode) {
  const std::string expected = platform::FolderOfPath(testing::ExecutablePath()) + "/instaide.so";
  EXPECT_EQ(DefaultInstallAidePath(), expected);
}

TEST_F(InstallTest, ReportsAQueuedFileWithTheFileSizeAndTimes) {
  vlmtest::SetModifiedTime(m_program, vlmtest::LocalTime(2001, 3, 5, 14, 7, 0));
  const ConversionResult result = InstallOnHandheld(m_program);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  const std::string message = "The file was fetched successfully.";
  EXPECT_EQ(result.record->size(), 202u + message.size());
  EXPECT_EQ(ContentOf(*result.record), message + '\0');
  const auto head = HeadOf(*result.record);
  EXPECT_EQ(head.title, "Game.prc - OK");
  EXPECT_EQ(head.sourcePath, m_program);
  EXPECT_EQ(head.size, 1234u);
  EXPECT_EQ(head.contentKind, records::kContentText);
  EXPECT_EQ(head.modified, (std::array<uint8_t, 8>{20, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(head.created, testing::StampOf(platform::GetFileStatus(m_program)->creationTime));
  // No HotSync is running, so the user is unknown.
  EXPECT_EQ(StandInLog(), "\n" + m_program + "\n");
}

TEST_F(InstallTest, ReportsAnInstallAideErrorWithoutFallingBack) {
  ScopedEnv failing("VLM_TEST_INSTAIDE_RESULT", "5");
  const ConversionResult result = ConvertForHandheld(m_program);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  EXPECT_EQ(ContentTextOf(*result.record), "Could not install file, error 5");
  EXPECT_EQ(HeadOf(*result.record).title, "Game.prc - Error");
  EXPECT_EQ(HeadOf(*result.record).contentKind, records::kContentText);
  EXPECT_EQ(HeadOf(*result.record).size, 1234u);
}

// A pipe never reaches the Install Aide, which would block reading it.
TEST_F(InstallTest, RefusesAFileThatIsNotRegularBeforeTheInstallAide) {
  const std::string pipe = m_folder / "Pipe.prc";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const ConversionResult result = InstallOnHandheld(pipe);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).title, "Pipe.prc - Error");
  EXPECT_EQ(result.failure, "it is a named pipe");
  EXPECT_FALSE(platform::GetFileStatus(m_folder / "instaide.log"));
}

TEST_F(InstallTest, PassesTheHotSyncUserToTheInstallAide) {
  vlmtest::HotSyncSession session(UserImage(m_folder, "Alice Smith"));
  ASSERT_TRUE(session.Ok());
  EXPECT_EQ(GetHandheldUserName(), "Alice Smith");
  ASSERT_TRUE(InstallOnHandheld(m_program).record);
  EXPECT_EQ(StandInLog(), "Alice Smith\n" + m_program + "\n");
}

TEST_F(InstallTest, PassesAnEmptyUserWhenTheSyncManagerCannotTell) {
  vlmtest::HotSyncSession session(UserImage(m_folder, "Alice"));
  ASSERT_TRUE(session.Ok());
  SyncInjectFailure("SyncReadUserID", 0);
  EXPECT_EQ(GetHandheldUserName(), "");
  ASSERT_TRUE(InstallOnHandheld(m_program).record);
  EXPECT_EQ(StandInLog(), "\n" + m_program + "\n");
}

TEST_F(InstallTest, TakesNoMoreOfTheUserNameThanItsField) {
  vlmtest::HotSyncSession session(UserImage(m_folder, std::string(80, 'u')));
  ASSERT_TRUE(session.Ok());
  EXPECT_EQ(GetHandheldUserName(), std::string(64, 'u'));
}

TEST_F(InstallTest, ReportsAMissingLibraryOrCall) {
  const ConversionResult missing = InstallOnHandheldWith(m_program, m_folder / "instaide.so");
  ASSERT_TRUE(missing.record);
  EXPECT_EQ(ContentTextOf(*missing.record), "Could not install file, error -1000");
  EXPECT_EQ(HeadOf(*missing.record).title, "Game.prc - Error");
  // The C library loads but has no install-file call.
  const ConversionResult noCall = InstallOnHandheldWith(m_program, "libc.so.6");
  ASSERT_TRUE(noCall.record);
  EXPECT_EQ(ContentTextOf(*noCall.record), "Could not install file, error -1001");
}

TEST_F(InstallTest, QueuesTheFileForTheUserThroughTheRealInstallAide) {
  const std::string home = m_folder / "hotsync-home";
  ScopedEnv hotsyncHome("HOTSYNC_HOME", home);
  ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
  ASSERT_EQ(mkdir((home + "/Alice").c_str(), 0700), 0);
  const std::string library = vlmtest::BinPath("instaide.so");
  {
    vlmtest::HotSyncSession session(UserImage(m_folder, "Alice"));
    ASSERT_TRUE(session.Ok());
    const ConversionResult result = InstallOnHandheldWith(m_program, library);
    ASSERT_TRUE(result.record);
    EXPECT_EQ(ContentTextOf(*result.record), "The file was fetched successfully.");
    EXPECT_EQ(ReadFile(home + "/Alice/Install/00000001/Game.prc"), std::string(1234, 'p'));
  }
  // A user the HotSync Manager does not know: the Install Aide's own error.
  vlmtest::HotSyncSession stranger(UserImage(m_folder, "Bob"));
  ASSERT_TRUE(stranger.Ok());
  const ConversionResult refused = InstallOnHandheldWith(m_program, library);
  ASSERT_TRUE(refused.record);
  EXPECT_EQ(HeadOf(*refused.record).title, "Game.prc - Error");
  EXPECT_EQ(ContentTextOf(*refused.record).rfind("Could not install file, error -", 0), 0u);
}

}  // namespace
}  // namespace conduit
