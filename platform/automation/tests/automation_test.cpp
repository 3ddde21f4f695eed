// The automation layer's own failures, with a stand-in server: a class
// whose program is not installed is not registered, a call that never
// returns is ended by the time limit with the server killed, and a server
// that dies fails the call and every later one.
#include "automation/automation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "clipboard/clipboard.h"

namespace platform::automation {
namespace {

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/automation-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
    // Any program named soffice on PATH registers the classes.
    std::ofstream(m_folder + "/soffice") << "#!/bin/sh\n";
    chmod((m_folder + "/soffice").c_str(), 0755);
    m_oldPath = getenv("PATH");
    setenv("PATH", m_folder.c_str(), 1);
    RegisterClass("Word.Basic", "soffice", "vlmoffice");
    RegisterClass("Excel.Application", "soffice", "vlmoffice");
    SetServerFolder(STAND_IN_SERVER_FOLDER);
    SetCallTimeLimit(std::chrono::seconds(2));
    Initialise();
  }
  void TearDown() override {
    Uninitialise();
    SetCallTimeLimit(std::chrono::seconds(60));
    setenv("PATH", m_oldPath.c_str(), 1);
    std::filesystem::remove_all(m_folder);
  }

  DispatchPtr Start() {
    ClassId classId;
    EXPECT_EQ(ClassIdFromProgId("Word.Basic", classId), kOk);
    DispatchPtr object;
    std::string why;
    EXPECT_EQ(CreateInstance(classId, object, why), kOk) << why;
    return object;
  }

  std::string m_folder;
  std::string m_oldPath;
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

struct Breakdown {
  const char* name;
  int32_t dispid;
  HResult code;
};

void PrintTo(const Breakdown& b, std::ostream* os) {
  *os << b.name;
}

class BreakdownTest : public AutomationTest, public ::testing::WithParamInterface<Breakdown> {};

TEST_P(BreakdownTest, FailsTheCallAndEveryLaterOne) {
  DispatchPtr server = Start();
  ASSERT_TRUE(server);
  EXPECT_EQ(server->Invoke(GetParam().dispid, InvokeKind::kMethod, {}).code, GetParam().code);
  EXPECT_EQ(server->Invoke(1, InvokeKind::kMethod, {}).code, kDisconnected);
}

INSTANTIATE_TEST_SUITE_P(Servers, BreakdownTest,
                         ::testing::Values(Breakdown{"hangs", 2, kCallTimedOut},
                                           Breakdown{"dies", 3, kServerUnavailable}));

}  // namespace
}  // namespace platform::automation
