// The PC File Details dialog's texts on opening and how its choices go back
// into the entry.
#include "pc_file_details.h"

#include <gtest/gtest.h>

#include "desktop_test_support.h"

namespace desktop {
namespace {

using test::HeaderWithLabels;
using test::MakeEntry;

TEST(DescribeForDetailsTest, ValuesAndLists) {
  auto entry = MakeEntry({.id = 3,
                          .title = "plan.doc",
                          .user = "Anne",
                          .category = 2,
                          .action = store::kActionOneTime,
                          .format = store::kFormatPc,
                          .size = 1500});
  entry.isPrivate = 1;
  auto texts =
      DescribeForDetails(entry, HeaderWithLabels({"Unfiled", "", "Business"}), {"Bob", "Anne"});
  EXPECT_EQ(texts.file, "plan.doc");
  EXPECT_EQ(texts.location, "/home/pc/plan.doc");
  EXPECT_EQ(texts.size, "2K");
  EXPECT_EQ(texts.created, "3/14/24 9:30 am\r\n");
  EXPECT_EQ(texts.modified, "3/15/24 5:05 pm\r\n");
  EXPECT_EQ(texts.lastDownloaded, "0/0/00 0:00 am\r\n");
  EXPECT_EQ(texts.userItems, (std::vector<std::string>{"Bob", "Anne", "All"}));
  EXPECT_EQ(texts.userText, "Anne");
  EXPECT_EQ(texts.categoryItems, (std::vector<std::string>{"Unfiled", "Business"}));
  EXPECT_EQ(texts.categoryText, "Business");
  EXPECT_EQ(texts.actionItems,
            (std::vector<std::string>{"If Changed", "One Time", "Always", "Don't Send"}));
  EXPECT_EQ(texts.actionText, "One Time");
  EXPECT_TRUE(texts.isPrivate);
  EXPECT_TRUE(texts.pcFormat);
}

TEST(DescribeForDetailsTest, UserNotAmongTodaysHotSyncUsersIsKept) {
  // A prefix of a user, another case, or a user not synchronised lately:
  // the entry keeps its own user rather than lose it on OK.
  for (const char* user : {"Ann", "all", "Gone"}) {
    auto entry = MakeEntry({.id = 1, .title = "x", .user = user});
    auto texts = DescribeForDetails(entry, store::FileListStore::DefaultHeader(), {"Anne", "Bob"});
    EXPECT_EQ(texts.userText, user);
  }
}

TEST(DescribeForDetailsTest, CategoryAndActionTexts) {
  auto header = HeaderWithLabels({"Misc", "Personal", "", "Work"});
  struct Case {
    uint16_t category;
    const char* text;
  } categories[] = {{0, "Unfiled"}, {1, "Personal"}, {2, ""}, {3, "Work"}, {40, ""}};
  for (const Case& c : categories) {
    auto entry = MakeEntry({.id = 1, .title = "x", .category = c.category});
    EXPECT_EQ(DescribeForDetails(entry, header, {}).categoryText, c.text) << c.category;
  }
  struct ActionCase {
    uint16_t action;
    const char* text;
  } actions[] = {{0, "Always"},     {1, "Don't Send"}, {2, "One Time"},
                 {3, "If Changed"}, {4, "If Changed"}, {99, "If Changed"}};
  for (const ActionCase& c : actions) {
    auto entry = MakeEntry({.id = 1, .title = "x", .action = c.action});
    EXPECT_EQ(DescribeForDetails(entry, header, {}).actionText, c.text) << c.action;
  }
}

TEST(ApplyDetailsChoiceTest, CategoryByLabel) {
  auto header = HeaderWithLabels({"Misc", "Personal", "Work", "Work"});
  struct Case {
    const char* text;
    uint16_t category;
  } cases[] = {
      {"Unfiled", 0},   // even where label 0 reads otherwise
      {"Misc", 0},      // label 0 by its own text
      {"Personal", 1},  //
      {"Work", 2},      // the first of two equal labels
      {"work", 0},      // exact match only
      {"Garden", 0},    // typed text that is no label
      {"", 0},          // empty labels are not matched
  };
  for (const Case& c : cases) {
    auto entry = MakeEntry({.id = 1, .title = "x", .category = 3});
    ApplyDetailsChoice({.user = "All", .category = c.text, .action = "Always"}, header, entry);
    EXPECT_EQ(entry.category, c.category) << c.text;
  }
}

TEST(ApplyDetailsChoiceTest, ActionByExactNameOtherwiseKept) {
  struct Case {
    const char* text;
    uint16_t action;
  } cases[] = {{"If Changed", 3}, {"One Time", 2}, {"Always", 0},
               {"Don't Send", 1}, {"always", 2},   {"Never", 2}};
  for (const Case& c : cases) {
    auto entry = MakeEntry({.id = 1, .title = "x", .action = store::kActionOneTime});
    ApplyDetailsChoice({.user = "All", .category = "Unfiled", .action = c.text},
                       store::FileListStore::DefaultHeader(), entry);
    EXPECT_EQ(entry.action, c.action) << c.text;
  }
}

TEST(ApplyDetailsChoiceTest, UserPrivateAndFormatWhileTheRestStays) {
  auto entry = MakeEntry({.id = 42, .title = "x", .user = "Anne", .size = 99});
  entry.changed = 1;
  auto before = entry;
  ApplyDetailsChoice(
      {.user = "", .category = "Personal", .action = "Always", .isPrivate = true, .pcFormat = true},
      store::FileListStore::DefaultHeader(), entry);
  EXPECT_EQ(entry.user, "");  // an emptied field stores an empty name
  EXPECT_EQ(entry.category, 1);
  EXPECT_EQ(entry.isPrivate, 1);
  EXPECT_EQ(entry.format, store::kFormatPc);
  EXPECT_EQ(entry.id, before.id);
  EXPECT_EQ(entry.title, before.title);
  EXPECT_EQ(entry.size, before.size);
  EXPECT_EQ(entry.kind, before.kind);
  EXPECT_EQ(entry.changed, before.changed);
  EXPECT_EQ(entry.created, before.created);

  ApplyDetailsChoice({.user = "Bob", .category = "Unfiled", .action = "Always"},
                     store::FileListStore::DefaultHeader(), entry);
  EXPECT_EQ(entry.isPrivate, 0);
  EXPECT_EQ(entry.format, store::kFormatHandheld);
  EXPECT_EQ(entry.user, "Bob");
}

TEST(SizeWarningTest, OnlyAboveTheRecordLimitInPcFormat) {
  struct Case {
    uint32_t size;
    bool pcFormat, warns;
  } cases[] = {{64000, true, false}, {64001, true, true},     {64001, false, false},
               {0, true, false},     {4000000, false, false}, {0xFFFFFFFF, true, true}};
  for (const Case& c : cases) {
    auto entry = MakeEntry({.id = 1, .title = "x", .size = c.size});
    EXPECT_EQ(NeedsSizeWarning(entry, c.pcFormat), c.warns) << c.size << " " << c.pcFormat;
  }
}

TEST(UserNameTest, ThirtyNineBytesFit) {
  EXPECT_TRUE(UserNameFits(std::string(39, 'u')));
  EXPECT_FALSE(UserNameFits(std::string(40, 'u')));
  EXPECT_TRUE(UserNameFits(""));
}

}  // namespace
}  // namespace desktop
