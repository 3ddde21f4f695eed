// Page geometry of printed texts: cutting into lines, lines per page, the
// pages a text needs and where the lines and the page number stand.
#include "print_layout.h"

#include <gtest/gtest.h>

namespace desktop {
namespace {

TEST(PrintLayoutTest, CutIntoLinesKeepsTheEmptyLastLine) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(CutIntoLines(""), Lines({""}));
  EXPECT_EQ(CutIntoLines("a\r\nb\r\n"), Lines({"a", "b", ""}));
  EXPECT_EQ(CutIntoLines("a\nb"), Lines({"a", "b"}));
  // A carriage return that ends no line stays in its line.
  EXPECT_EQ(CutIntoLines("a\r\r\nb\rc"), Lines({"a\r", "b\rc"}));
}

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i > 1 ? "\r\n" : "") + std::to_string(i);
  return text;
}

TEST(PrintLayoutTest, SixtyOneLinesAtTwoHundredFortyTwipsTakeTwoPages) {
  PrintLayout layout("Memo", NumberedLines(61), 240);
  EXPECT_EQ(layout.LinesPerPage(), 60);
  ASSERT_EQ(layout.PageCount(), 2);
  auto first = layout.BodyLines(1);
  auto second = layout.BodyLines(2);
  ASSERT_EQ(first.size(), 60u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first.front().top, 480);
  EXPECT_EQ(first.back().top, 480 + 59 * 240);
  EXPECT_EQ(second.front().text, "61");
  EXPECT_EQ(second.front().top, 480);
  PrintLayout::Placed number = layout.PageNumber(2, 700);
  EXPECT_EQ(number.text, "Page 2");
  EXPECT_EQ(number.x, 11520 - 700);
  EXPECT_EQ(number.top, 15840 - 960);
  // A text ending with a line break needs a page for its empty last line.
  EXPECT_EQ(PrintLayout("Memo", NumberedLines(60) + "\r\n", 240).PageCount(), 2);
  EXPECT_EQ(PrintLayout("Memo", NumberedLines(60), 240).PageCount(), 1);
}

TEST(PrintLayoutTest, FontTallerThanASixthOfThePageStillPrintsEveryLine) {
  // 15840 / 3000 - 6 would leave no line on a page.
  PrintLayout layout("Big", "a\nb\nc", 3000);
  EXPECT_EQ(layout.LinesPerPage(), 1);
  EXPECT_EQ(layout.PageCount(), 3);
  EXPECT_EQ(layout.BodyLines(3).front().text, "c");
  EXPECT_TRUE(PrintLayout("Zero", "a", 0).BodyLines(1).size() == 1);
}

}  // namespace
}  // namespace desktop
