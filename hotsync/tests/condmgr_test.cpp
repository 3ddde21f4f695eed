// The Conduit Manager's exports on a real "conduits.ini" in a temporary
// data folder: registration, look-ups, sync types, buffer edges and damaged
// or unreadable registration files.
#include "condmgr/condmgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "testing/files.h"
#include "testing/scoped_env.h"

namespace hotsync {
namespace {

using vlmtest::ReadFile;
using vlmtest::TempFolderEnv;
using vlmtest::WriteFile;

class CondMgrTest : public ::testing::Test {
 protected:
  std::string CreatorName(const char* creator, int32_t* result = nullptr) {
    char buffer[64];
    int32_t size = sizeof buffer;
    const int32_t code = CmGetCreatorName(creator, buffer, &size);
    if (result) *result = code;
    return code == kCmErrNone ? std::string(buffer, static_cast<size_t>(size)) : std::string();
  }

  TempFolderEnv m_home{"HOTSYNC_HOME"};
};

TEST_F(CondMgrTest, AddedConduitIsFoundByCreatorWithItsLibraryFileName) {
  ASSERT_EQ(CmAddConduit("Vlmr", "/opt/palm/VellamoreCnd.so"), kCmErrNone);
  EXPECT_EQ(CreatorName("Vlmr"), "VellamoreCnd.so");

  char path[64];
  int32_t size = sizeof path;
  ASSERT_EQ(CmGetConduitLibraryPath("Vlmr", path, &size), kCmErrNone);
  EXPECT_STREQ(path, "/opt/palm/VellamoreCnd.so");
  EXPECT_EQ(size, static_cast<int32_t>(std::strlen("/opt/palm/VellamoreCnd.so")));
  EXPECT_NE(ReadFile(m_home.Path() + "/conduits.ini").find("[Vlmr]"), std::string::npos);
}

TEST_F(CondMgrTest, CreatorsAreListedInRegistrationOrder) {
  ASSERT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrNone);
  ASSERT_EQ(CmAddConduit("AAAA", "b.so"), kCmErrNone);
  ASSERT_EQ(CmAddConduit("m e ", "c.so"), kCmErrNone);
  ASSERT_EQ(CmGetConduitCount(), 3);
  const char* expected[] = {"Vlmr", "AAAA", "m e "};
  for (int32_t i = 0; i < 3; ++i) {
    char creator[5];
    int32_t size = sizeof creator;
    ASSERT_EQ(CmGetCreatorIDByIndex(i, creator, &size), kCmErrNone);
    EXPECT_STREQ(creator, expected[i]);
    EXPECT_EQ(size, 4);
  }
  char creator[5];
  int32_t size = sizeof creator;
  EXPECT_EQ(CmGetCreatorIDByIndex(3, creator, &size), kCmErrBadIndex);
  EXPECT_EQ(CmGetCreatorIDByIndex(-1, creator, &size), kCmErrBadIndex);
}

TEST_F(CondMgrTest, RemovedConduitIsGoneAndOthersStay) {
  ASSERT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrNone);
  ASSERT_EQ(CmAddConduit("Othr", "b.so"), kCmErrNone);
  EXPECT_EQ(CmRemoveConduitByCreatorID("Vlmr"), kCmErrNone);
  EXPECT_EQ(CmRemoveConduitByCreatorID("Vlmr"), kCmErrNotFound);
  int32_t result = 0;
  CreatorName("Vlmr", &result);
  EXPECT_EQ(result, kCmErrNotFound);
  EXPECT_EQ(CreatorName("Othr"), "b.so");
  EXPECT_EQ(CmGetConduitCount(), 1);
}

TEST_F(CondMgrTest, AddingAgainReplacesTheLibraryAndKeepsTheTypes) {
  ASSERT_EQ(CmAddConduit("Vlmr", "/old/a.so"), kCmErrNone);
  ASSERT_EQ(CmSetSyncType("Vlmr", 3), kCmErrNone);
  ASSERT_EQ(CmSetConduitName("Vlmr", "Vellamore"), kCmErrNone);
  ASSERT_EQ(CmAddConduit("Vlmr", "/new/b.so"), kCmErrNone);
  EXPECT_EQ(CreatorName("Vlmr"), "b.so");
  int32_t type = -5;
  ASSERT_EQ(CmGetSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, 3);
  char name[32];
  int32_t size = sizeof name;
  ASSERT_EQ(CmGetConduitName("Vlmr", name, &size), kCmErrNone);
  EXPECT_STREQ(name, "Vellamore");
  EXPECT_EQ(CmGetConduitCount(), 1);
}

TEST_F(CondMgrTest, SyncTypesAreKeptAndCheckedAndTheNextTypeCanBeCleared) {
  ASSERT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrNone);
  int32_t type = -5;
  ASSERT_EQ(CmGetSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, 0);
  ASSERT_EQ(CmGetNextSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, -1);

  EXPECT_EQ(CmSetSyncType("Vlmr", 6), kCmErrNone);
  EXPECT_EQ(CmSetNextSyncType("Vlmr", 2), kCmErrNone);
  for (int32_t bad : {-1, 7, 1000}) {
    EXPECT_EQ(CmSetSyncType("Vlmr", bad), kCmErrBadSyncType) << bad;
  }
  EXPECT_EQ(CmSetNextSyncType("Vlmr", -2), kCmErrBadSyncType);
  ASSERT_EQ(CmGetSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, 6);
  ASSERT_EQ(CmGetNextSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, 2);

  ASSERT_EQ(CmSetNextSyncType("Vlmr", -1), kCmErrNone);
  ASSERT_EQ(CmGetNextSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, -1);
  EXPECT_EQ(CmSetSyncType("Nope", 1), kCmErrNotFound);
}

struct CreatorCase {
  const char* creator;
  int32_t expected;
  friend std::ostream& operator<<(std::ostream& out, const CreatorCase& c) {
    return out << (c.creator ? "\"" + std::string(c.creator) + "\"" : "null");
  }
};

class CondMgrCreatorTest : public CondMgrTest, public ::testing::WithParamInterface<CreatorCase> {};

TEST_P(CondMgrCreatorTest, BadCreatorsAreRefusedEverywhere) {
  const CreatorCase& c = GetParam();
  EXPECT_EQ(CmAddConduit(c.creator, "a.so"), c.expected);
  EXPECT_EQ(CmRemoveConduitByCreatorID(c.creator), c.expected);
  int32_t result = 0;
  CreatorName(c.creator, &result);
  EXPECT_EQ(result, c.expected);
  int32_t type = 0;
  EXPECT_EQ(CmGetSyncType(c.creator, &type), c.expected);
  EXPECT_EQ(CmGetConduitCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Creators, CondMgrCreatorTest,
    ::testing::Values(CreatorCase{nullptr, kCmErrBadArgument}, CreatorCase{"", kCmErrBadCreator},
                      CreatorCase{"Vlm", kCmErrBadCreator}, CreatorCase{"Vlmrx", kCmErrBadCreator},
                      CreatorCase{"Vl]r", kCmErrBadCreator}, CreatorCase{"V\nmr", kCmErrBadCreator},
                      CreatorCase{"Vl\x80r", kCmErrBadCreator}));

// Size in/out at the edge of the buffer: "b.so" needs 5 bytes.
struct BufferCase {
  int32_t capacity;
  int32_t expected;
  int32_t sizeAfter;
  friend std::ostream& operator<<(std::ostream& out, const BufferCase& c) {
    return out << "capacity " << c.capacity;
  }
};

class CondMgrBufferTest : public CondMgrTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(CondMgrBufferTest, TextIsWrittenOnlyWhenItAndItsNulFit) {
  ASSERT_EQ(CmAddConduit("Vlmr", "/x/b.so"), kCmErrNone);
  const BufferCase& c = GetParam();
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  int32_t size = c.capacity;
  EXPECT_EQ(CmGetCreatorName("Vlmr", buffer, &size), c.expected);
  EXPECT_EQ(size, c.sizeAfter);
  if (c.expected == kCmErrNone) {
    EXPECT_STREQ(buffer, "b.so");
    EXPECT_EQ(buffer[5], '#');
  } else {
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CondMgrBufferTest,
                         ::testing::Values(BufferCase{5, kCmErrNone, 4},
                                           BufferCase{16, kCmErrNone, 4},
                                           BufferCase{4, kCmErrBufferTooSmall, 5},
                                           BufferCase{0, kCmErrBufferTooSmall, 5},
                                           BufferCase{-1, kCmErrBadArgument, -1}));

TEST_F(CondMgrTest, MissingPointersAndLineBreaksAreBadArguments) {
  ASSERT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrNone);
  char buffer[8];
  int32_t size = sizeof buffer;
  EXPECT_EQ(CmGetCreatorName("Vlmr", nullptr, &size), kCmErrBadArgument);
  EXPECT_EQ(CmGetCreatorName("Vlmr", buffer, nullptr), kCmErrBadArgument);
  EXPECT_EQ(CmGetSyncType("Vlmr", nullptr), kCmErrBadArgument);
  EXPECT_EQ(CmAddConduit("Vlmr", nullptr), kCmErrBadArgument);
  EXPECT_EQ(CmAddConduit("Vlmr", ""), kCmErrBadArgument);
  EXPECT_EQ(CmAddConduit("Vlmr", "a.so\n[Evil]"), kCmErrBadArgument);
  EXPECT_EQ(CmSetConduitName("Vlmr", "two\nlines"), kCmErrBadArgument);
  EXPECT_EQ(CmGetConduitCount(), 1);
}

TEST_F(CondMgrTest, DamagedRegistrationFileYieldsWhatItCan) {
  WriteFile(m_home.Path() + "/conduits.ini",
            "garbage line\n"
            "Library=/orphan.so\n"
            "[Vlmr]\r\n"
            "Library=/opt/VellamoreCnd.so\r\n"
            "SyncType=banana\n"
            "NextSyncType=9\n"
            "[toolong]\n"
            "Library=/skipped.so\n"
            "[Vlmr]\n"
            "Library=/second.so\n"
            "[Othr]\n"
            "SyncType=6\n");
  EXPECT_EQ(CmGetConduitCount(), 2);
  EXPECT_EQ(CreatorName("Vlmr"), "VellamoreCnd.so");
  int32_t type = -5;
  ASSERT_EQ(CmGetSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, 0);
  ASSERT_EQ(CmGetNextSyncType("Vlmr", &type), kCmErrNone);
  EXPECT_EQ(type, -1);
  ASSERT_EQ(CmGetSyncType("Othr", &type), kCmErrNone);
  EXPECT_EQ(type, 6);
  EXPECT_EQ(CreatorName("Othr"), "");
}

TEST_F(CondMgrTest, UnreadableRegistrationFileIsAStorageError) {
  std::filesystem::create_directories(m_home.Path() + "/conduits.ini");
  EXPECT_EQ(CmGetConduitCount(), kCmErrStorage);
  EXPECT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrStorage);
  EXPECT_EQ(CmRemoveConduitByCreatorID("Vlmr"), kCmErrStorage);
}

TEST_F(CondMgrTest, MissingDataFolderIsCreatedOnTheFirstRegistration) {
  const std::string nested = m_home.Path() + "/deeper/HotSync";
  setenv("HOTSYNC_HOME", nested.c_str(), 1);
  EXPECT_EQ(CmGetConduitCount(), 0);
  EXPECT_EQ(CmAddConduit("Vlmr", "a.so"), kCmErrNone);
  EXPECT_TRUE(vlmtest::FileExists(nested + "/conduits.ini"));
}

}  // namespace
}  // namespace hotsync
