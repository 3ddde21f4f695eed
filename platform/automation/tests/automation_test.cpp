// The automation layer's own failures, with a stand-in server: a class
// whose program is not installed is not registered, a call that never
// returns is ended by the time limit with the server killed, and a server
// that dies fails the call and every later one.
#include "automation/automation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "clipboard/clipboard.h"
#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace platform::automation {
namespace {

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Any program named soffice on PATH registers the classes.
    vlmtest::WriteFile(m_folder + "/soffice", "#!/bin/sh\n");
    ASSERT_EQ(chmod((m_folder + "/soffice").c_str(), 0755), 0);
    RegisterClass("Word.Basic", "soffice", "vlmoffice");
    RegisterClass("Excel.Application", "soffice", "vlmoffice");
    SetServerFolder(STAND_IN_SERVER_FOLDER);
    SetCallTimeLimit(std::chrono::seconds(2));
    Initialise();
  }
  void TearDown() override {
    Uninitialise();
    SetCallTimeLimit(std::chrono::seconds(60));
  }

  DispatchPtr Start() {
    ClassId classId;
    EXPECT_EQ(ClassIdFromProgId("Word.Basic", classId), kOk);
    DispatchPtr object;
    std::string why;
    EXPECT_EQ(CreateInstance(classId, object, why), kOk) << why;
    return object;
  }

  vlmtest::TempFolder m_temp;
  const std::string m_folder = m_temp.Path();
  vlmtest::ScopedEnv m_path{"PATH", m_folder};
};

TEST_F(AutomationTest, RegistersAClassOnlyWhileItsProgramIsOnPath) {
  ClassId classId;
  EXPECT_EQ(ClassIdFromProgId("Excel.Application", classId), kOk);
  EXPECT_EQ(ClassIdFromProgId("Paint.Picture", classId), kClassNotRegistered);
  std::filesystem::remove(m_folder + "/soffice");
  EXPECT_EQ(ClassIdFromProgId("Excel.Application", classId), kClassNotRegistered);
}

TEST_F(AutomationTest, AnswersACallAndHandsOverWhatItCopied) {
  DispatchPtr server = Start();
  ASSERT_TRUE(server);
  const InvokeResult result = server->Invoke(1, InvokeKind::kMethod, {});
  EXPECT_EQ(result.code, kOk);
  EXPECT_EQ(result.value.text, "answer");
  EXPECT_EQ(clipboard::Get(clipboard::kFormatText),
            (std::vector<uint8_t>{'c', 'o', 'p', 'i', 'e', 'd', 0}));
  EXPECT_EQ(server->Invoke(9, InvokeKind::kMethod, {}).code, kMemberNotFound);
}

struct Breakdown : vlmtest::NamedRow {
  int32_t dispid;
  HResult code;
};

class BreakdownTest : public AutomationTest, public ::testing::WithParamInterface<Breakdown> {};

TEST_P(BreakdownTest, FailsTheCallAndEveryLaterOne) {
  DispatchPtr server = Start();
  ASSERT_TRUE(server);
  EXPECT_EQ(server->Invoke(GetParam().dispid, InvokeKind::kMethod, {}).code, GetParam().code);
  EXPECT_EQ(server->Invoke(1, InvokeKind::kMethod, {}).code, kDisconnected);
}

INSTANTIATE_TEST_SUITE_P(Servers, BreakdownTest,
                         ::testing::Values(Breakdown{"hangs", 2, kCallTimedOut},
                                           Breakdown{"dies", 3, kServerUnavailable}),
                         vlmtest::RowName());

}  // namespace
}  // namespace platform::automation
