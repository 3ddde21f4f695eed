// New entries for chosen files: defaults, the file's size and times, and
// texts that do not fit the store's fields.
#include "new_entry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "desktop_test_support.h"
#include "testing/files.h"

namespace desktop {
namespace {

TEST(CutTextTest, CutsAtCharacterBoundaries) {
  EXPECT_EQ(CutText("short", 39), "short");
  EXPECT_EQ(CutText(std::string(45, 'a'), 39), std::string(39, 'a'));
  // "é" is two bytes; it is dropped whole rather than split.
  std::string accented = std::string(38, 'a') + "\xC3\xA9" + "b";
  EXPECT_EQ(CutText(accented, 39), std::string(38, 'a'));
  EXPECT_EQ(CutText(std::string(37, 'a') + "\xC3\xA9", 39), std::string(37, 'a') + "\xC3\xA9");
}

TEST(WithArgumentTest, ReplacesTheFirstPlaceholder) {
  EXPECT_EQ(WithArgument("File %s not found", "/a%s"), "File /a%s not found");
  EXPECT_EQ(WithArgument("none", "x"), "none");
}

class BuildNewEntryTest : public testing::Test {
 protected:
  test::Sandbox m_sandbox;
};

TEST_F(BuildNewEntryTest, DefaultsOfANewPcEntry) {
  std::string path = m_sandbox.MakeFile("budget.xls", 1234);
  // A known last-write time: 2021-07-04 15:42:30 local time.
  vlmtest::SetModifiedTime(path, vlmtest::LocalTime(2021, 7, 4, 15, 42, 30));

  auto entry = BuildNewEntry({.id = 77,
                              .title = std::string(50, 'T'),
                              .path = path,
                              .user = "All",
                              .format = store::kFormatHandheld,
                              .category = 0});
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->id, 77);
  EXPECT_EQ(entry->title, std::string(39, 'T'));
  EXPECT_EQ(entry->path, path);
  EXPECT_EQ(entry->user, "All");
  EXPECT_EQ(entry->kind, store::kPcFile);
  EXPECT_EQ(entry->format, store::kFormatHandheld);
  EXPECT_EQ(entry->category, 0);
  EXPECT_EQ(entry->action, store::kActionIfChanged);
  EXPECT_EQ(entry->isPrivate, 0);
  EXPECT_EQ(entry->changed, 1);
  EXPECT_EQ(entry->size, 1234u);
  EXPECT_FALSE(entry->lastSent.IsSet());
  EXPECT_TRUE(entry->receivedCopy.empty());
  std::array<uint8_t, 8> modified = {20, 21, 7, 4, 15, 42, 0, 0};
  EXPECT_EQ(entry->modified.bytes, modified);
  EXPECT_TRUE(entry->created.IsSet());
  EXPECT_EQ(entry->created.bytes[6], 0);
}

TEST_F(BuildNewEntryTest, FileWithoutStatusGivesNothing) {
  EXPECT_FALSE(
      BuildNewEntry({.id = 1, .title = "gone", .path = m_sandbox.Root() + "/gone", .user = "All"}));
}

TEST_F(BuildNewEntryTest, SizeBeyondThirtyTwoBitsReadsAsTheLargest) {
  std::string path = m_sandbox.Root() + "/huge.bin";
  int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  int truncated = ftruncate(fd, (off_t{1} << 32) + 5);
  close(fd);
  if (truncated != 0) GTEST_SKIP() << "no sparse files here";
  auto entry = BuildNewEntry({.id = 1, .title = "huge.bin", .path = path, .user = "All"});
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->size, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace desktop
