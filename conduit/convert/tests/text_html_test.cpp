// Plain text and HTML to handheld text: the line-break replacements and
// their order, the bounds and cuts, the tag and entity tables, and a table
// of awkward mark-up that must come out whole and in linear time.
#include <gtest/gtest.h>

#include "convert/convert.h"
#include "handheld_records.h"  // records/
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::ContentOf;
using vlmtest::HeadOf;
using vlmtest::TempFolder;
using vlmtest::WriteFileBelow;

struct Rewrite {
  std::string input;
  std::string expected;
};

// Long inputs are shown by their start only.
void PrintTo(const Rewrite& r, std::ostream* os) {
  *os << ::testing::PrintToString(r.input.substr(0, 40));
}

class NormaliseLineBreaksTest : public ::testing::TestWithParam<Rewrite> {};

TEST_P(NormaliseLineBreaksTest, LeavesSingleLineFeedsAndSpacesForTabs) {
  std::string text = GetParam().input;
  NormaliseLineBreaks(text);
  EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, NormaliseLineBreaksTest,
                         ::testing::Values(Rewrite{"a\r\nb\rc\n\rd", "a\nb\nc\nd"},
                                           // CR LF first, then LF CR: CR LF CR is one line feed.
                                           Rewrite{"\r\n\r", "\n"}, Rewrite{"\n\r\n", "\n\n"},
                                           Rewrite{"\r\r\n", "\n\n"}, Rewrite{"\n\r\r", "\n\n"},
                                           Rewrite{"a\tb\t", "a    b    "}, Rewrite{"", ""},
                                           Rewrite{std::string("ab\0\r\n", 5), "ab"}));

class HtmlToTextTest : public ::testing::TestWithParam<Rewrite> {};

TEST_P(HtmlToTextTest, ReplacesTagsAndEntities) {
  std::string text = GetParam().input;
  HtmlToText(text);
  EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, HtmlToTextTest,
    ::testing::Values(
        Rewrite{"<P>Hello<BR>World</P>", "\n\nHello\nWorld"},
        Rewrite{"<ul><li>one<li>two</ul>", "\n* one\n* two"},
        Rewrite{"<Div>a</div><h1>T</H1><h6>x</h6></title><BlockQuote>q", "\na\nT\n\nx\n\n\nq"},
        // Tags with attributes or spaces are removed without a line break.
        Rewrite{"a<p align=center>b<br/>c<br >d", "abcd"}, Rewrite{"&amp;lt;", "<"},
        Rewrite{"&amp;copy;&amp;gt;&amp;nbsp;x", "(c)> x"}, Rewrite{"&amp;&lt;", "&<"},
        Rewrite{"&amp;amp;lt;", "&amp;lt;"}, Rewrite{"&&amp;;&", "&&;&"},
        // Entities are replaced after the tags are gone.
        Rewrite{"&am<b>p;l<i>t;", "<"}, Rewrite{"a\tb<br\t>c<br\n>d", "a    bcd"},
        Rewrite{"&amp;amp;", "&amp;"}, Rewrite{"&copy; &gt;&lt;&nbsp;!", "(c) >< !"},
        Rewrite{"&AMP; &#60; &quot; &Nbsp;", "&AMP; &#60; &quot; &Nbsp;"},
        Rewrite{"x <br", "x \n"},  // cut off by the end, the tag counts as closed
        Rewrite{"x < y", "x "}, Rewrite{"a<!-- 1 > 2 -->b", "a 2 -->b"},
        Rewrite{"<script>if (a < b) c();</script>", "if (a "},
        Rewrite{"<style>p { color: red }</style>x", "p { color: red }x"},
        Rewrite{"line\none\r\ttwo", "line one     two"}, Rewrite{"a&amp", "a&amp"},
        Rewrite{"<>a<<b>>", "a>"}, Rewrite{"", ""},
        Rewrite{std::string("<p>a\0<br>b", 10), "\n\na"},
        Rewrite{"<li" + std::string(100000, 'x') + ">z", "z"},
        Rewrite{"<!--" + std::string(50000, '-') + "<br>", ""},
        Rewrite{"&" + std::string(30000, 'a') + "amp;", "&" + std::string(30000, 'a') + "amp;"},
        Rewrite{std::string(20000, '<'), ""},
        Rewrite{std::string(20000, '>'), std::string(20000, '>')}));

TEST(NextHtmlToken, WalksTextRunsAndTagsToTheEnd) {
  const std::string_view text = "ab<b>c<d";
  size_t position = 0;
  HtmlToken token = NextHtmlToken(text, position);
  EXPECT_EQ(token.kind, HtmlTokenKind::kTextRun);
  EXPECT_EQ(token.text, "ab");
  EXPECT_EQ(position, 2u);
  token = NextHtmlToken(text, position);
  EXPECT_EQ(token.kind, HtmlTokenKind::kTag);
  EXPECT_EQ(token.text, "<b>");
  EXPECT_TRUE(token.closed);
  token = NextHtmlToken(text, position);
  EXPECT_EQ(token.text, "c");
  token = NextHtmlToken(text, position);
  EXPECT_EQ(token.kind, HtmlTokenKind::kTag);
  EXPECT_EQ(token.text, "<d");
  EXPECT_FALSE(token.closed);
  EXPECT_EQ(position, text.size() + 1);
  EXPECT_EQ(NextHtmlToken(text, position).kind, HtmlTokenKind::kEnd);
}

TEST(HtmlTagText, ComparesTheWholeTagWithoutRegardToCase) {
  EXPECT_EQ(HtmlTagText("<BR>"), "\n");
  EXPECT_EQ(HtmlTagText("<P>"), "\n\n");
  EXPECT_EQ(HtmlTagText("<LI>"), "\n* ");
  EXPECT_EQ(HtmlTagText("</P>"), "");
  EXPECT_EQ(HtmlTagText("<br/>"), "");
  EXPECT_EQ(HtmlTagText("<blockquote >"), "");
  EXPECT_EQ(HtmlTagText(""), "");
}

TEST(HtmlToText, ConvertsTenMegabytesOfMarkUp) {
  std::string page;
  while (page.size() < size_t{10} * 1024 * 1024) {
    page += "<P>Paragraph &amp; <b>bold</b> text<br>\r\n<li>item\t&nbsp;<a href=\"x\">link</a>";
  }
  HtmlToText(page);
  EXPECT_EQ(page.substr(0, 30), "\n\nParagraph & bold text\n  \n* i");
  EXPECT_EQ(page.find('<'), std::string::npos);
}

// A file, and the text, title and size field its record carries.
struct PlainText : vlmtest::NamedRow {
  const char* file;
  std::string bytes;
  std::string text;  // before the record's two zeros
  const char* title;
};

class ConvertPlainTextTest : public ::testing::TestWithParam<PlainText> {};

// The text in the handheld's character set with its line breaks normalised,
// ending at a NUL, and cut short of the bound without a stray byte.
TEST_P(ConvertPlainTextTest, CarriesTheHandheldsTextUpToTheBound) {
  const PlainText& c = GetParam();
  TempFolder folder;
  const std::string path = WriteFileBelow(folder.Path(), c.file, c.bytes);
  const ConversionResult result = ConvertPlainText(path);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  EXPECT_EQ(ContentOf(*result.record), c.text + std::string(2, '\0'));
  EXPECT_EQ(result.record->size(), 203u + c.text.size());
  const auto head = HeadOf(*result.record);
  EXPECT_EQ(head.size, c.text.size());
  EXPECT_LT(head.size, 64798u);
  EXPECT_EQ(head.title, c.title);
  EXPECT_EQ(head.contentKind, records::kContentText);
  EXPECT_EQ(head.sourcePath, path);
}

const std::string kLines = vlmtest::Repeated("line\r\n", 11667);

// The first 64,798 bytes of `text` with their line breaks normalised.
std::string NormalisedStart(std::string text) {
  text.resize(64798);
  NormaliseLineBreaks(text);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConvertPlainTextTest,
    ::testing::Values(PlainText{"TranscodedAndNormalised", "notes.txt",
                                "caf\xC3\xA9 \xE2\x82\xAC\r\nsecond\tline \xE4\xB8\xAD \xE9t\xE9",
                                "caf\xE9 \x80\nsecond    line ? \xE9t\xE9", "notes.txt"},
                      PlainText{"EndsAtTheFirstZeroByte", "zero.txt",
                                std::string("0123456789\0tail", 15), "0123456789", "zero.txt"},
                      PlainText{"LongFileReadUpToTheBound", "long.txt", kLines,
                                NormalisedStart(kLines), "long.txt- Cut"},
                      // One byte over what a record holds, and tabs that grow four times
                      // when their line breaks are normalised: both fill a record.
                      PlainText{"OneByteOver", "long.txt", std::string(70000, 'x'),
                                std::string(64797, 'x'), "long.txt- Cut"},
                      PlainText{"TabsThatGrow", "tabs.txt", std::string(30000, '\t'),
                                std::string(64797, ' '), "tabs.txt- Cut"},
                      PlainText{"ByteOrderMarkDropped", "edge.txt",
                                "\xEF\xBB\xBF"
                                "caf\xC3\xA9",
                                "caf\xE9", "edge.txt"},
                      // The bound falls between the two bytes of an e-acute; the line
                      // breaks shrink the text so that no later cut hides a stray byte.
                      PlainText{
                          "CharacterCutAtTheBound", "edge.txt",
                          vlmtest::Repeated("\r\n", 100) + std::string(64597, 'a') + "\xC3\xA9tail",
                          std::string(100, '\n') + std::string(64597, 'a'), "edge.txt- Cut"}),
    vlmtest::RowName());

TEST(ConvertPlainText, ReportsAFileThatCannotBeOpened) {
  TempFolder folder;
  const ConversionResult result = ConvertPlainText(folder / "missing.txt");
  EXPECT_FALSE(result.record);
  EXPECT_EQ(result.status, kConvCannotOpen);
}

// A page, and the text, size field and title its record carries.
struct HtmlPage : vlmtest::NamedRow {
  const char* file;
  std::string page;
  std::string text;  // before the record's two zeros
  const char* title;
};

class ConvertHtmlTest : public ::testing::TestWithParam<HtmlPage> {};

// The size field counts the text's terminating zero; a text longer than a
// record holds is cut one character short of the bound.
TEST_P(ConvertHtmlTest, CarriesTheTextWithItsZeroUpToTheBound) {
  const HtmlPage& c = GetParam();
  TempFolder folder;
  const ConversionResult result = ConvertHtml(WriteFileBelow(folder.Path(), c.file, c.page));
  ASSERT_TRUE(result.record);
  EXPECT_EQ(ContentOf(*result.record), c.text + std::string(2, '\0'));
  EXPECT_EQ(result.record->size(), 203u + c.text.size());
  EXPECT_EQ(HeadOf(*result.record).size, c.text.size() + 1);
  EXPECT_EQ(HeadOf(*result.record).title, c.title);
}

const std::string kDigits = vlmtest::Repeated("0123456789", 7000);

INSTANTIATE_TEST_SUITE_P(
    Pages, ConvertHtmlTest,
    ::testing::Values(HtmlPage{"TerminatingZeroCounts", "page.html", "<h1>Caf\xC3\xA9</h1>&copy;",
                               "\nCaf\xE9\n(c)", "page.html"},
                      HtmlPage{"LongTextCutOneShortOfTheBound", "big.htm",
                               "<html>" + kDigits + "</html>", kDigits.substr(0, 64797),
                               "big.htm- Cut"},
                      HtmlPage{"TextOfExactlyTheBoundUncut", "fits.htm", std::string(64797, 'a'),
                               std::string(64797, 'a'), "fits.htm"}),
    vlmtest::RowName());

}  // namespace
}  // namespace conduit
