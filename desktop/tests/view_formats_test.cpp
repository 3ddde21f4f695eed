// Size and date texts, the list's column texts and its sort comparison.
#include "view_formats.h"

#include <gtest/gtest.h>

#include <tuple>

namespace desktop {
namespace {

class FormatSizeTest : public testing::TestWithParam<std::pair<int64_t, const char*>> {};

TEST_P(FormatSizeTest, RoundsToBytesThousandsOrMillions) {
  EXPECT_EQ(FormatSize(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatSizeTest,
                         testing::Values(std::pair<int64_t, const char*>{0, "0 bytes"},
                                         std::pair{999, "999 bytes"}, std::pair{1000, "1K"},
                                         std::pair{1499, "1K"}, std::pair{1500, "2K"},
                                         std::pair{999999, "1000K"}, std::pair{1000000, "1M"},
                                         std::pair{1499999, "1M"}, std::pair{1500000, "2M"},
                                         // Sizes of 2 GB and more stay positive.
                                         std::pair{2147483648LL, "2147M"},
                                         std::pair{4294967295LL, "4295M"}));

store::HandheldDateTime Stamp(int century, int year, int month, int day, int hour, int minute) {
  store::HandheldDateTime stamp;
  stamp.bytes = {static_cast<uint8_t>(century),
                 static_cast<uint8_t>(year),
                 static_cast<uint8_t>(month),
                 static_cast<uint8_t>(day),
                 static_cast<uint8_t>(hour),
                 static_cast<uint8_t>(minute),
                 0,
                 0};
  return stamp;
}

TEST(FormatDateTimeTest, TwelveHourClockWithoutCenturyEndingInLineBreak) {
  struct Case {
    store::HandheldDateTime stamp;
    const char* text;
  } cases[] = {
      {Stamp(20, 24, 3, 9, 12, 0), "3/9/24 12:00 pm\r\n"},  // noon
      {Stamp(20, 24, 3, 9, 12, 59), "3/9/24 12:59 pm\r\n"},
      {Stamp(20, 24, 3, 9, 13, 5), "3/9/24 1:05 pm\r\n"},
      {Stamp(20, 24, 3, 9, 0, 7), "3/9/24 0:07 am\r\n"},
      {Stamp(20, 24, 12, 31, 23, 59), "12/31/24 11:59 pm\r\n"},
      {Stamp(20, 0, 1, 1, 8, 0), "1/1/00 8:00 am\r\n"},  // the year 2000
      {Stamp(19, 99, 1, 1, 8, 0), "1/1/99 8:00 am\r\n"},
      {Stamp(0, 0, 0, 0, 0, 0), "0/0/00 0:00 am\r\n"},  // never set
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.stamp), c.text);
}

TEST(RowTextsTest, ColumnsFollowKindActionAndFormat) {
  struct Case {
    uint16_t kind, action, format;
    const char *source, *actionText, *formatText;
    int image;
  } cases[] = {
      {0, 0, 4, "PC", "Always Send", "Palm", kImagePcFile},
      {0, 1, 3, "PC", "No Action", "PC", kImagePcFile},
      {0, 2, 4, "PC", "Send Once", "Palm", kImagePcFile},
      {0, 3, 3, "PC", "Send if Changed", "PC", kImagePcFile},
      {1, 4, 1, "Palm", "Received", "Text", kImageHandheldFile},
      {1, 4, 2, "Palm", "Received", "Image", kImageHandheldFile},
      {1, 4, 3, "Palm", "Received", "PC", kImageHandheldFile},
      {7, 9, 0, "Palm", "Received", "Palm", kImageHandheldFile},  // unknown codes
  };
  for (const Case& c : cases) {
    store::FileListEntry entry;
    entry.kind = c.kind;
    entry.action = c.action;
    entry.format = c.format;
    entry.title = "notes.txt";
    ListRowTexts row = RowTextsOf(entry);
    EXPECT_EQ(std::tie(row.source, row.action, row.format, row.image),
              std::tie(c.source, c.actionText, c.formatText, c.image))
        << c.kind << "/" << c.action << "/" << c.format;
    EXPECT_EQ(row.name, "notes.txt");
  }
}

TEST(CompareListTextsTest, UpperCaseBytesComparedUnsigned) {
  struct Case {
    const char *a, *b;
    int result;
  } cases[] = {
      {"apple", "APPLE", 0},
      {"apple", "Banana", -1},
      {"b", "A", 1},
      {"ab", "abc", -1},
      {"", "", 0},
      // Upper case, not lower case: '_' (0x5F) sorts after the letters.
      {"_x", "a", 1},
      // Bytes above 0x7F compare as unsigned, after ASCII.
      {"\xC3\xA9t\xC3\xA9", "zoo", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareListTexts(c.a, c.b), c.result) << c.a << " vs " << c.b;
    EXPECT_EQ(CompareListTexts(c.b, c.a), -c.result) << c.b << " vs " << c.a;
  }
}

}  // namespace
}  // namespace desktop
