// The INI escaping and file format against the exact bytes that QSettings
// writes and the readings it gives, taken from QSettings itself.
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/ini_escape.h"

namespace platform::settings {
namespace {

using namespace std::string_literals;

struct Encoding {
  std::string value;
  std::string stored;
};

TEST(IniEscape, ValuesAreStoredAsQSettingsStoresThem) {
  const Encoding cases[] = {
      {"/home/x y", "/home/x y"},
      {"", ""},
      {"a\"b\\c,d;e=f", R"("a\"b\\c,d;e=f")"},
      {"  lead and trail  ", R"("  lead and trail  ")"},
      {"a\tb\nc\x01"
       "Fz\x7f",
       "a\\tb\\nc\\x1\\x46z\x7f"},
      {"a\0"
       "1b"s,
       R"(@String(a\0\x31\x62))"},
      {"@foo", "@@foo"},
      {"@ByteArray(x)", "@@ByteArray(x)"},
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"\x01\xFF\xC3"
       "A z",
       R"(@ByteArray(\x1\xff\xc3\x41 z))"},
      {"c:\\", R"(c:\\)"},
  };
  for (const Encoding& c : cases) {
    EXPECT_EQ(EncodeValue(c.value), c.stored) << c.stored;
    EXPECT_EQ(DecodeValue(c.stored), c.value) << c.stored;
  }
}

TEST(IniEscape, ReadsStoredFormsAsQSettingsReadsThem) {
  const Encoding cases[] = {
      {"x", "  x  "},               // blanks around a bare value go
      {"  x  ", "\"  x  \"  "},     // quoted blanks stay
      {"a b", "a\" \"b"},           // quotes may sit inside
      {"", "a, b"},                 // a list reads as no text
      {"", "@Invalid()"},           //
      {"\xC4\xA3", "\\x123"},       // hex escapes take every hex digit...
      {"\xE1\x88\xB4", "\\x1234"},  // ...as one UTF-16 unit
      {"\x01"
       "z",
       "\\1z"},                              //
      {"A", "\\101"},                        // octal
      {"ab", "a\\qb"},                       // unknown escapes are dropped
      {"x  ", "x  \\"},                      // a final backslash keeps the blanks
      {"@Rect(1 2 3 4)", "@Rect(1 2 3 4)"},  // other typed forms stay as written
      {"\xEF\xBF\xBD", "\xFF"},              // malformed UTF-8 reads as U+FFFD
      {"\xFF", "@ByteArray(\\xff)"},
      {"?", "@ByteArray(\\x100)"},  // beyond Latin-1, as toLatin1
  };
  for (const Encoding& c : cases) EXPECT_EQ(DecodeValue(c.stored), c.value) << c.stored;
}

TEST(IniEscape, NamesAreEscapedAsQSettingsEscapesThem) {
  const Encoding cases[] = {
      {"DataDir", "DataDir"},
      {"Sub/V", "Sub\\V"},
      {"a_b-c.d", "a_b-c.d"},
      {"k ey=;\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80%", "k%20ey%3D%3B%E9%U20AC%UD83D%UDE00%25"},
  };
  for (const Encoding& c : cases) {
    EXPECT_EQ(EscapeName(c.value), c.stored);
    EXPECT_EQ(UnescapeName(c.stored), c.value);
  }
  // Unescaping is lenient: a raw UTF-8 name and a broken escape read as they stand.
  EXPECT_EQ(UnescapeName("raw\xC3\xA9"), "raw\xC3\xA9");
  EXPECT_EQ(UnescapeName("100%"), "100%");
  EXPECT_EQ(UnescapeName("%zz%U12"), "%zz%U12");
}

TEST(IniFile, ParsesGroupsAndNestedKeys) {
  IniFile ini = IniFile::Parse(
      "\xEF\xBB\xBF[General]\ntop=t\n\n[Directories]\nDataDir=/home/x y\nSub\\V=deep\n"
      "[%General]\ng=1\n[general]\nalso=top\n[Odd%20Sect]\nk%20ey=v\n");
  std::vector<std::pair<std::string, std::string>> keys;
  for (const IniEntry& entry : ini.Entries()) keys.emplace_back(entry.key, entry.stored);
  EXPECT_EQ(keys, (std::vector<std::pair<std::string, std::string>>{
                      {"top", "t"},
                      {"Directories/DataDir", "/home/x y"},
                      {"Directories/Sub/V", "deep"},
                      {"General/g", "1"},
                      {"also", "top"},
                      {"Odd Sect/k ey", "v"},
                  }));
}

TEST(IniFile, FollowsQSettingsLineRules) {
  IniFile ini = IniFile::Parse(
      "; a comment\r\n"
      "[S]\r\n"
      "a=1 ;trailing comment\r\n"
      "b=\"x;y\"\r\n"
      "c=\"two\nlines\"\n"
      "d=joined\\\n"
      "e=swallowed\n"
      "stray text\n"
      "a=2\n"
      "=nameless\n"
      "\"q=k\"=quoted name\n");
  EXPECT_EQ(DecodeValue(ini.Find("S/a")->stored), "2");  // a later duplicate wins
  EXPECT_EQ(DecodeValue(ini.Find("S/b")->stored), "x;y");
  EXPECT_EQ(DecodeValue(ini.Find("S/c")->stored), "two\nlines");
  EXPECT_EQ(DecodeValue(ini.Find("S/d")->stored), "joinede=swallowed");
  EXPECT_EQ(ini.Find("S/e"), nullptr);
  EXPECT_EQ(ini.Find("S/\"q=k\"")->stored, "quoted name");
  EXPECT_EQ(ini.Entries().size(), 5u);
}

TEST(IniFile, SerialisesLikeQSettingsWithGeneralFirst) {
  IniFile ini;
  ini.Set("Directories/DataDir", EncodeValue("/x"));
  ini.Set("top", EncodeValue("t"));
  ini.Set("Directories/Sub/V", EncodeValue("deep"));
  ini.Set("General/g", EncodeValue("1"));
  ini.Set("GENERAL/h", EncodeValue("2"));
  EXPECT_EQ(ini.Serialise(),
            "[General]\ntop=t\n\n[Directories]\nDataDir=/x\nSub\\V=deep\n\n[%General]\ng=1\n\n"
            "[%GENERAL]\nh=2\n");
  IniFile again = IniFile::Parse(ini.Serialise());
  ASSERT_EQ(again.Entries().size(), ini.Entries().size());
  EXPECT_NE(again.Find("GENERAL/h"), nullptr);
}

TEST(IniFile, ValuesKeptVerbatimKeepTheirMeaningWhenLinesFollow) {
  // Values at the end of a file that would swallow the next line if written
  // back unchanged before another key.
  const char* endings[] = {"a=x  \\",  "a=\"open",  "a=\"open\\",
                           "a=x\\\r;", "a=x\\\r\n", "a=@Variant(\\0\\0\\0\\x2)"};
  for (const char* ending : endings) {
    IniFile ini = IniFile::Parse(ending);
    std::string before = DecodeValue(ini.Find("a")->stored);
    ini.Set("z", EncodeValue("last"));
    IniFile again = IniFile::Parse(ini.Serialise());
    ASSERT_NE(again.Find("a"), nullptr) << ending;
    EXPECT_EQ(DecodeValue(again.Find("a")->stored), before) << ending;
    ASSERT_NE(again.Find("z"), nullptr) << ending;
    EXPECT_EQ(DecodeValue(again.Find("z")->stored), "last") << ending;
  }
}

TEST(IniFile, RemovesKeysAndSubtrees) {
  IniFile ini = IniFile::Parse("[A]\nx=1\nB\\y=2\nB\\C\\z=3\n[AB]\nw=4\n");
  EXPECT_EQ(ini.RemoveBelow("A/B"), 2u);
  EXPECT_FALSE(ini.Remove("A/B/y"));
  EXPECT_TRUE(ini.Remove("A/x"));
  EXPECT_EQ(ini.RemoveBelow("A"), 0u);  // "AB" is not below "A"
  EXPECT_EQ(ini.Serialise(), "[AB]\nw=4\n");
  // The keys left are still found where they now stand.
  ini.Set("AB/w", "5");
  ASSERT_NE(ini.Find("AB/w"), nullptr);
  EXPECT_EQ(ini.Find("AB/w")->stored, "5");
  EXPECT_EQ(ini.Serialise(), "[AB]\nw=5\n");
}

TEST(IniFile, IgnoresKeysQSettingsCannotReach) {
  // "[" with nothing else names the group "", whose keys begin with '/'.
  IniFile ini = IniFile::Parse("a=first\n[;\na=second\n[S]\nb\\ =x\n=y\n\\\\c=z\n");
  ASSERT_EQ(ini.Entries().size(), 1u);
  EXPECT_EQ(ini.Entries()[0].key, "a");
  EXPECT_EQ(ini.Entries()[0].stored, "first");
  EXPECT_TRUE(IsNormalKey("a/b"));
  EXPECT_FALSE(IsNormalKey("a//b"));
}

}  // namespace
}  // namespace platform::settings
