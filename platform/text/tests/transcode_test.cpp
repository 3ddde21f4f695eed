// The transcoder between the PC's UTF-8 and the handheld's Windows-1252:
// the characters of the 0x80-0x9F range, characters with no form, and
// malformed UTF-8 taken as Windows-1252.
#include "text/transcode.h"

#include <gtest/gtest.h>

namespace platform::text {
namespace {

struct Transcoding {
  std::string utf8;
  std::string windows1252;
};

void PrintTo(const Transcoding& t, std::ostream* os) {
  *os << ::testing::PrintToString(t.utf8);
}

class TranscodeTest : public ::testing::TestWithParam<Transcoding> {};

TEST_P(TranscodeTest, GivesTheHandheldForm) {
  EXPECT_EQ(TranscodeUtf8ToWindows1252(GetParam().utf8), GetParam().windows1252);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TranscodeTest,
    ::testing::Values(
        Transcoding{"plain ASCII\r\n\t", "plain ASCII\r\n\t"},
        Transcoding{std::string("nul\0kept", 8), std::string("nul\0kept", 8)},
        Transcoding{"\xC2\xA0\xC3\xA9\xC3\xBF", "\xA0\xE9\xFF"},
        // The characters Windows-1252 keeps at 0x80-0x9F.
        Transcoding{"\xE2\x82\xAC\xE2\x80\x9A\xC6\x92\xE2\x80\x9E\xE2\x80\xA6",
                    "\x80\x82\x83\x84\x85"},
        Transcoding{"\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93\xE2\x80\x94",
                    "\x91\x92\x93\x94\x96\x97"},
        Transcoding{"\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8\xE2\x84\xA2", "\x8A\x8C\x8E\x9F\x99"},
        // No Windows-1252 form: CJK, emoji, most C1 controls.
        Transcoding{"\xE4\xB8\xAD\xF0\x9F\x98\x80\xC2\x80", "???"},
        // The five undefined bytes round-trip through their C1 controls.
        Transcoding{"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
        // Malformed UTF-8 passes byte for byte.
        Transcoding{"caf\xE9", "caf\xE9"}, Transcoding{"\xC3", "\xC3"},
        Transcoding{"\xC3(", "\xC3("}, Transcoding{"\xE2\x82", "\xE2\x82"},
        Transcoding{"\xC0\xAF", "\xC0\xAF"},                  // overlong '/'
        Transcoding{"\xE0\x80\xAF", "\xE0\x80\xAF"},          // overlong
        Transcoding{"\xED\xA0\x80", "\xED\xA0\x80"},          // surrogate
        Transcoding{"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},  // above U+10FFFF
        Transcoding{"\x80\xBF", "\x80\xBF"}, Transcoding{"\xF0\x9F\x98", "\xF0\x9F\x98"}));

TEST(Windows1252ToUtf8, RoundTripsEveryByte) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = Windows1252ToUtf8(all);
  EXPECT_EQ(TranscodeUtf8ToWindows1252(utf8), all);
  EXPECT_EQ(Windows1252ToUtf8("\x80 \xE9 \x9F"), "\xE2\x82\xAC \xC3\xA9 \xC5\xB8");
}

TEST(TranscodeUtf8ToWindows1252, NeverLengthensTheText) {
  std::string mixed;
  for (int i = 0; i < 4096; ++i) mixed += static_cast<char>((i * 37 + i / 7) & 0xFF);
  EXPECT_LE(TranscodeUtf8ToWindows1252(mixed).size(), mixed.size());
}

}  // namespace
}  // namespace platform::text
