// The text test on byte blocks (against a plain reference matcher) and on
// files, including matches that span two read blocks.
#include "search/text_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "search/tests/reference_text_match.h"
#include "testing/files.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit::search {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

using test::ReferenceContains;

struct ContainsCase : vlmtest::NamedRow {
  std::string text;
  std::string content;
  bool expected;
};

class TextMatcherContains : public testing::TestWithParam<ContainsCase> {};

TEST_P(TextMatcherContains, AnswersAsTheHandheldUserExpects) {
  const ContainsCase& c = GetParam();
  TextMatcher matcher(c.text);
  EXPECT_EQ(matcher.Contains(Bytes(c.content)), c.expected);
  EXPECT_EQ(ReferenceContains(c.text, Bytes(c.content)), c.expected) << "reference disagrees";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextMatcherContains,
    testing::Values(ContainsCase{"CaseIgnored", "abc", "xABCx", true},
                    ContainsCase{"MixedCaseText", "AbC", "..abc..", true},
                    ContainsCase{"NotPresent", "abd", "xABCx", false},
                    ContainsCase{"TabActsAsSpace", "A B", "A\tB", true},
                    ContainsCase{"LineBreakActsAsSpace", "end of", "the end\nof it", true},
                    ContainsCase{"HighByteActsAsSpace", "caf e",
                                 "caf\xE9"
                                 "e",
                                 true},
                    ContainsCase{"TextWithHighByteNeverMatches", "caf\xE9", "caf\xE9", false},
                    ContainsCase{"TextWithControlByteNeverMatches", "a\tb", "a\tb", false},
                    ContainsCase{"EmptyTextMatchesAnyByte", "", "x", true},
                    ContainsCase{"EmptyTextNeverMatchesNothing", "", "", false},
                    ContainsCase{"TextLongerThanContent", "abcdef", "abc", false},
                    ContainsCase{"MatchAtStart", "key", "KEY and more", true},
                    ContainsCase{"MatchAtEnd", "key", "and more KEY", true},
                    ContainsCase{"OnlySpacesMatchControlRun", "  ", "a\r\nb", true},
                    ContainsCase{"OnlySpacesNeedTwoInARow", "  ", "a b c", false},
                    ContainsCase{"AtSignIsNotBacktick", "@", "`", false},
                    ContainsCase{"BracketIsNotBrace", "[x]", "{x}", false},
                    ContainsCase{"DigitsAndPunctuation", "v1.2", "release V1.2 notes", true},
                    ContainsCase{"OnlyAsciiLettersFold", "\xC9", "\xE9", false}),
    vlmtest::RowName());

// Random blocks of a small alphabet, so that near misses are frequent, at
// every length around the 32-byte steps of the candidate filter.
TEST(TextMatcher, AgreesWithReferenceOnRandomBlocks) {
  std::mt19937 random(12345);
  const std::string alphabet = "abAB \t\x01\x90.";
  const std::vector<std::string> texts = {
      "a",    "ab", "aB a",
      " ",    "b.", "abba",
      "A  b", "..", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
  for (const std::string& text : texts) {
    TextMatcher matcher(text);
    for (size_t length = 0; length < 140; ++length) {
      for (int round = 0; round < 8; ++round) {
        std::vector<uint8_t> block(length);
        for (auto& b : block) b = static_cast<uint8_t>(alphabet[random() % alphabet.size()]);
        ASSERT_EQ(matcher.Contains(block), ReferenceContains(text, block))
            << "text '" << text << "' length " << length;
      }
    }
  }
}

class TextFileTest : public testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    return vlmtest::WriteFileBelow(m_folder, name, content);
  }

  vlmtest::TempFolder m_temp;
  const std::string m_folder = m_temp.Path();
};

// A match placed so that it starts `before` bytes ahead of the first block's
// end is found whatever the split.
class StraddlingMatch : public TextFileTest, public testing::WithParamInterface<size_t> {};

TEST_P(StraddlingMatch, IsFoundAcrossTheBlockBoundary) {
  const std::string text = "Needle In The Hay";
  const size_t before = GetParam();
  std::string content(TextMatcher::kBlockSize - before, 'x');
  content += "nEEDLE\tin the hay";
  content += std::string(TextMatcher::kBlockSize, 'y');
  TextMatcher matcher(text);
  EXPECT_TRUE(matcher.FileContains(Write("big.txt", content)));
  // The same file without the match is read to its end and refused.
  content.replace(TextMatcher::kBlockSize - before, text.size(), std::string(text.size(), 'z'));
  EXPECT_FALSE(matcher.FileContains(Write("big.txt", content)));
}

INSTANTIATE_TEST_SUITE_P(EverySplit, StraddlingMatch, testing::Values(0, 1, 2, 8, 16, 17, 18, 40));

TEST_F(TextFileTest, MatchInTheLastBytesOfAManyBlockFile) {
  std::string content(3 * TextMatcher::kBlockSize + 5, '-');
  content += "tail";
  EXPECT_TRUE(TextMatcher("TAIL").FileContains(Write("long.bin", content)));
}

TEST_F(TextFileTest, EmptyTextMatchesAFileWithOneByteButNotAnEmptyFile) {
  TextMatcher matcher("");
  EXPECT_TRUE(matcher.FileContains(Write("one", "x")));
  EXPECT_FALSE(matcher.FileContains(Write("empty", "")));
}

TEST_F(TextFileTest, UnreadableThingsDoNotContainTheText) {
  TextMatcher matcher("a");
  EXPECT_FALSE(matcher.FileContains(m_folder + "/missing"));
  EXPECT_FALSE(matcher.FileContains(m_folder));  // a folder
  std::string fifo = m_folder + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(matcher.FileContains(fifo));  // answered at once, not blocked on the pipe
  std::string locked = Write("locked", "a");
  chmod(locked.c_str(), 0);
  if (geteuid() != 0) {
    EXPECT_FALSE(matcher.FileContains(locked));
  }
}

TEST_F(TextFileTest, FolderAndNameAreJoinedWithASlash) {
  Write("notes.txt", "Meeting at NOON");
  EXPECT_TRUE(FileContainsText(m_folder, "notes.txt", "noon"));
  EXPECT_FALSE(FileContainsText(m_folder, "notes.txt", "midnight"));
}

}  // namespace
}  // namespace conduit::search
