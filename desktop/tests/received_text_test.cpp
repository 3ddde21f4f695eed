// Received text files on real files: the reading in 30,000-byte pieces with
// a NUL in them, files that are missing or are no regular files, bytes that
// are not UTF-8, and the atomic write.
#include "received_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop_test_support.h"
#include "fs/fs.h"
#include "testing/table.h"

namespace desktop {
namespace {

struct PieceCase : vlmtest::NamedRow {
  size_t size;                // bytes in the file, letters 'a' to 'z' over and over
  std::vector<size_t> nuls;   // offsets that hold a NUL instead
  size_t expectedLength;      // of the text read
  size_t expectedLastOffset;  // the file offset of the text's last character
};

std::string Letters(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

class ReceivedTextPieces : public testing::TestWithParam<PieceCase> {
 protected:
  test::Sandbox m_sandbox;
};

TEST_P(ReceivedTextPieces, EachPieceEndsAtItsFirstNul) {
  const PieceCase& c = GetParam();
  std::string bytes = Letters(c.size);
  for (size_t nul : c.nuls) bytes[nul] = '\0';
  const std::string path = m_sandbox.PathOf("text.txt");
  vlmtest::WriteFile(path, bytes);

  ReceivedText read = ReadReceivedText(path);
  ASSERT_EQ(read.status, ReceivedText::Status::kRead);
  EXPECT_EQ(read.text.size(), c.expectedLength);
  EXPECT_EQ(read.text.back(), bytes[c.expectedLastOffset]);
  EXPECT_EQ(read.text.find('\0'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, ReceivedTextPieces,
    testing::Values(PieceCase{"OneFullPiece", 30000, {}, 30000, 29999},
                    PieceCase{"ThreePieces", 75000, {}, 75000, 74999},
                    // The NUL hides the rest of the first piece only.
                    PieceCase{"NulInFirstPiece", 75000, {10}, 10 + 45000, 74999},
                    // A NUL in the last, short piece: nothing after it, nothing past the end.
                    PieceCase{"NulInLastPiece", 75000, {60005}, 60005, 60004},
                    PieceCase{"NulFirstOfSecondPiece", 60000, {30000}, 30000, 29999}),
    vlmtest::RowName());

TEST(ReceivedTextTest, MissingFolderOrPipeIsReportedWithoutBlocking) {
  test::Sandbox sandbox;
  EXPECT_EQ(ReadReceivedText(sandbox.Root() + "/gone.txt").status, ReceivedText::Status::kNotFound);
  EXPECT_EQ(ReadReceivedText(sandbox.Root()).status, ReceivedText::Status::kCannotOpen);
  std::string pipe = sandbox.Root() + "/pipe.txt";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ReceivedText read = ReadReceivedText(pipe);
  EXPECT_EQ(read.status, ReceivedText::Status::kCannotOpen);
  EXPECT_EQ(read.error, platform::kNotRegularFile);
}

TEST(ReceivedTextTest, BytesThatAreNotUtf8ReadAsWindows1252) {
  // "café" in UTF-8 stays; a lone 0x80 and 0xE9 are the euro sign and é.
  EXPECT_EQ(DecodePcText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(DecodePcText("\x80 caf\xE9"), "\xE2\x82\xAC caf\xC3\xA9");
}

TEST(ReceivedTextTest, WriteGivesLinuxLineBreaksAndLeavesAReadOnlyFileWhole) {
  test::Sandbox sandbox;
  std::string path = sandbox.Root() + "/memo.txt";
  ASSERT_EQ(WriteTextFile(path, "one\ntwo\r\nthree\r\r\n"), 0);
  auto written = platform::ReadWholeFile(path);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(std::string(written->begin(), written->end()), "one\ntwo\nthree\r\n");

  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_NE(WriteTextFile(path, "lost"), 0);
  EXPECT_EQ(platform::ReadWholeFile(path), written);
}

}  // namespace
}  // namespace desktop
