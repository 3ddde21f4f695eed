// The identity exports' answers, their argument checks in order, and the
// mapping between synchronisation types and the action dialog.
#include "conduit_identity.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <sstream>

#include "testing/table.h"

namespace conduit {
namespace {

TEST(GetConduitName, FillsTheWholeBufferAfterTheName) {
  std::array<char, 64> buffer;
  buffer.fill('#');
  EXPECT_EQ(GetConduitName(buffer.data(), buffer.size()), 0);
  EXPECT_STREQ(buffer.data(), "Vellamore");
  for (size_t i = 9; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0) << i;
}

TEST(GetConduitName, CutsTheNameToLeaveRoomForItsTerminator) {
  struct Case {
    uint16_t length;
    const char* expected;
  };
  for (const Case& c : {Case{1, ""}, Case{4, "Vel"}, Case{9, "Vellamor"}, Case{10, "Vellamore"}}) {
    std::array<char, 16> buffer;
    buffer.fill('#');
    EXPECT_EQ(GetConduitName(buffer.data(), c.length), 0);
    EXPECT_STREQ(buffer.data(), c.expected);
    EXPECT_EQ(buffer[c.length], '#') << "nothing written past length " << c.length;
  }
}

TEST(GetConduitName, NoRoomOrNoBufferWritesNothing) {
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(GetConduitName(buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(GetConduitName(nullptr, 32), 0);
}

TEST(GetConduitVersion, Is0x101) {
  EXPECT_EQ(GetConduitVersion(), 0x101u);
}

CConduitInfoRequest Request(uint32_t version, uint32_t size) {
  CConduitInfoRequest request{};
  request.m_dwVersion = version;
  request.m_dwSize = size;
  return request;
}

TEST(GetConduitInfo, NameKindCutsTheNameToTheOutputSize) {
  CConduitInfoRequest request = Request(1, 80);
  std::array<char, 8> out;
  out.fill('#');
  uint32_t size = 5;
  EXPECT_EQ(GetConduitInfo(kInfoName, &request, out.data(), &size), 0);
  EXPECT_STREQ(out.data(), "Vell");
  EXPECT_EQ(out[5], '#');
  EXPECT_EQ(size, 5u) << "the output size is never changed";
}

TEST(GetConduitInfo, NameKindWithOutputSizeZeroWritesNothing) {
  CConduitInfoRequest request = Request(1, 80);
  char out[2] = {'#', '#'};
  uint32_t size = 0;
  EXPECT_EQ(GetConduitInfo(kInfoName, &request, out, &size), 0);
  EXPECT_EQ(out[0], '#');
}

TEST(GetConduitInfo, ValueKindsWriteTheir32BitValue) {
  uint32_t value = 0xFFFFFFFF;
  uint32_t size = 4;
  EXPECT_EQ(GetConduitInfo(kInfoFrameworkVersion, nullptr, &value, &size), 0);
  EXPECT_EQ(value, 0x500u);
  value = 0xFFFFFFFF;
  EXPECT_EQ(GetConduitInfo(kInfoDefaultAction, nullptr, &value, &size), 0);
  EXPECT_EQ(value, 0u);
}

// Each row: the arguments and the code expected, with the output untouched.
struct InfoErrorCase : vlmtest::NamedRow {
  int32_t kind;
  bool withRequest;
  uint32_t version;
  uint32_t requestSize;
  bool withOut;
  bool withOutSize;
  uint32_t outSize;
  int32_t expected;
};

class GetConduitInfoErrors : public ::testing::TestWithParam<InfoErrorCase> {};

TEST_P(GetConduitInfoErrors, AnswerTheCodeAndWriteNothing) {
  const InfoErrorCase& c = GetParam();
  CConduitInfoRequest request = Request(c.version, c.requestSize);
  std::array<char, 16> out;
  out.fill('#');
  uint32_t outSize = c.outSize;
  EXPECT_EQ(GetConduitInfo(c.kind, c.withRequest ? &request : nullptr,
                           c.withOut ? out.data() : nullptr, c.withOutSize ? &outSize : nullptr),
            c.expected);
  for (char byte : out) EXPECT_EQ(byte, '#');
  EXPECT_EQ(outSize, c.outSize);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GetConduitInfoErrors,
    ::testing::Values(
        InfoErrorCase{"MissingOutputFirstEvenForUnknownKind", 3, true, 1, 80, false, false, 4,
                      0x1071},
        InfoErrorCase{"MissingOutputBeforeMissingSize", 0, false, 1, 80, false, false, 4, 0x1071},
        InfoErrorCase{"MissingOutputSize", 0, true, 1, 80, true, false, 4, 0x1077},
        InfoErrorCase{"MissingOutputSizeForUnknownKind", 9, true, 1, 80, true, false, 4, 0x1077},
        InfoErrorCase{"NameWithoutRequest", 0, false, 1, 80, true, true, 16, 0x1074},
        InfoErrorCase{"NameRequestVersion2", 0, true, 2, 80, true, true, 16, 0x1075},
        InfoErrorCase{"NameRequestSize79", 0, true, 1, 79, true, true, 16, 0x1075},
        InfoErrorCase{"FrameworkVersionSize8", 1, true, 1, 80, true, true, 8, 0x1073},
        InfoErrorCase{"FrameworkVersionSize0", 1, true, 1, 80, true, true, 0, 0x1073},
        InfoErrorCase{"DefaultActionSize2", 2, true, 1, 80, true, true, 2, 0x1073},
        InfoErrorCase{"Kind3", 3, true, 1, 80, true, true, 16, 0x1070},
        InfoErrorCase{"NegativeKind", -1, true, 1, 80, true, true, 16, 0x1070}),
    vlmtest::RowName());

TEST(ActionIndex, FollowsTheTypeTableComparingUnsigned) {
  const std::pair<int32_t, int> cases[] = {{0, 0}, {1, 0}, {2, 2},  {3, 1},  {4, 3},
                                           {5, 3}, {6, 3}, {99, 3}, {-1, 3}, {INT32_MIN, 3}};
  for (const auto& [type, index] : cases) EXPECT_EQ(ActionIndexForSyncType(type), index) << type;
  EXPECT_EQ(SyncTypeForActionIndex(0), 0);
  EXPECT_EQ(SyncTypeForActionIndex(1), 3);
  EXPECT_EQ(SyncTypeForActionIndex(2), 2);
  EXPECT_EQ(SyncTypeForActionIndex(3), 6);
}

// Runs ConfigureConduit with the dialog answering `answers`; the dialog's
// opening index is reported through `openedWith`.
int32_t Configure(CSyncPreference& preference, const std::string& answers, int* openedWith) {
  return ConfigureConduit(&preference, [&](CHotSyncActionDlg& dialog) {
    EXPECT_EQ(dialog.m_conduitName, "Vellamore");
    *openedWith = dialog.m_actionIndex;
    std::istringstream input(answers);
    std::ostringstream output;
    return dialog.RunOn(input, output);
  });
}

struct ConfigureCase : vlmtest::NamedRow {
  int32_t typeBefore;
  std::string answers;
  int openedWith;
  int32_t result;
  int32_t typeAfter;
  int32_t preferenceAfter;
};

class ConfigureConduitCases : public ::testing::TestWithParam<ConfigureCase> {};

TEST_P(ConfigureConduitCases, StoresTheChosenTypeAndPreference) {
  const ConfigureCase& c = GetParam();
  CSyncPreference preference{};
  std::memset(preference.m_PathName, 'P', sizeof preference.m_PathName);
  preference.m_hKey = 0xABCD;
  preference.m_SyncPref = 77;
  preference.m_SyncType = c.typeBefore;
  int openedWith = -1;
  EXPECT_EQ(Configure(preference, c.answers, &openedWith), c.result);
  EXPECT_EQ(openedWith, c.openedWith);
  EXPECT_EQ(preference.m_SyncType, c.typeAfter);
  EXPECT_EQ(preference.m_SyncPref, c.preferenceAfter);
  EXPECT_EQ(preference.m_hKey, 0xABCDu) << "nothing else in the structure changes";
  EXPECT_EQ(preference.m_PathName[255], 'P');
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigureConduitCases,
    ::testing::Values(ConfigureCase{"SlowConfirmedUnchanged", 1, "\n", 0, 0, 0, 2},
                      ConfigureCase{"Type5OpensOnDoNothing", 5, "o\n", 3, 0, 6, 2},
                      ConfigureCase{"Type5Cancelled", 5, "c\n", 3, -1, 5, 0},
                      ConfigureCase{"EndOfInputCancels", 2, "3\n", 2, -1, 2, 0},
                      ConfigureCase{"ChooseDesktopOverwrites", 0, "2\n\n", 0, 0, 3, 2},
                      ConfigureCase{"ChooseHandheldOverwrites", 6, "3\nok\n", 3, 0, 2, 2},
                      ConfigureCase{"SetAsDefault", 3, "d\n4\n\n", 1, 0, 6, 1},
                      ConfigureCase{"SetAsDefaultTwiceIsClear", 3, "d\nd\n\n", 1, 0, 3, 2},
                      ConfigureCase{"UnknownAnswersAreAskedAgain", 0, "9\nx\n4\n\n", 0, 0, 6, 2}),
    vlmtest::RowName());

TEST(ConfigureConduit, MissingStructureShowsNoDialog) {
  bool shown = false;
  EXPECT_EQ(ConfigureConduit(nullptr,
                             [&](CHotSyncActionDlg&) {
                               shown = true;
                               return static_cast<int>(CHotSyncActionDlg::kOk);
                             }),
            -1);
  EXPECT_FALSE(shown);
}

// Without a controlling terminal and with standard input not a terminal the
// dialog cancels: run it in a child process in a session of its own.
TEST(ConfigureConduit, CancelsWithoutATerminal) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDERR_FILENO);
    CSyncPreference preference{};
    preference.m_SyncType = 5;
    preference.m_SyncPref = 9;
    const int32_t result = ConfigureConduit(&preference);
    const bool ok = result == -1 && preference.m_SyncType == 5 && preference.m_SyncPref == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace conduit
