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

// A frame of 8 by 11 inches.
constexpr PageFrame kEightByEleven{11520, 15840};

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i > 1 ? "\r\n" : "") + std::to_string(i);
  return text;
}

TEST(PrintLayoutTest, SixtyOneLinesAtTwoHundredFortyTwipsTakeTwoPages) {
  PrintLayout layout("Memo", NumberedLines(61), 240, kEightByEleven);
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
  EXPECT_EQ(PrintLayout("Memo", NumberedLines(60) + "\r\n", 240, kEightByEleven).PageCount(), 2);
  EXPECT_EQ(PrintLayout("Memo", NumberedLines(60), 240, kEightByEleven).PageCount(), 1);
}

TEST(PrintLayoutTest, FontTallerThanASixthOfThePageStillPrintsEveryLine) {
  // 15840 / 3000 - 6 would leave no line on a page.
  PrintLayout layout("Big", "a\nb\nc", 3000, kEightByEleven);
  EXPECT_EQ(layout.LinesPerPage(), 1);
  EXPECT_EQ(layout.PageCount(), 3);
  EXPECT_EQ(layout.BodyLines(3).front().text, "c");
  EXPECT_TRUE(PrintLayout("Zero", "a", 0, kEightByEleven).BodyLines(1).size() == 1);
}

TEST(PrintLayoutTest, SmallFrameKeepsLinesAndNumberInside) {
  // A6 inside margins of 15 mm: 75 by 118 mm.
  PageFrame frame{4252, 6690};
  PrintLayout layout("Memo", NumberedLines(30), 240, frame);
  EXPECT_EQ(layout.LinesPerPage(), 21);
  EXPECT_EQ(layout.PageCount(), 2);
  EXPECT_LE(layout.BodyLines(1).back().top + 240, frame.height - 4 * 240);
  PrintLayout::Placed number = layout.PageNumber(1, 700);
  EXPECT_EQ(number.x + 700, frame.width);
  EXPECT_EQ(number.top, frame.height - 4 * 240);
  // A number wider than the frame starts at its left edge.
  EXPECT_EQ(layout.PageNumber(1, 5000).x, 0);
}

TEST(PrintLayoutTest, PdfFileNameReplacesAShortExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"memo.txt", "memo.pdf"}, {"Plan 3.5 final", "Plan 3.5 final.pdf"},
      {"a/b.html", "a_b.pdf"},  {".profile", ".profile.pdf"},
      {"", "print.pdf"},        {"report.", "report..pdf"}};
  for (const auto& [title, expected] : cases) EXPECT_EQ(PdfFileNameFor(title), expected) << title;
}

}  // namespace
}  // namespace desktop
