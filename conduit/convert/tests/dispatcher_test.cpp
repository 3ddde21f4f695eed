// The dispatcher and the records every route shares: classification by
// extension, the PC-format and message records byte by byte, the cut at
// 64,798 bytes, and the fallback to PC format when a converter fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "convert/convert.h"
#include "convert_test_support.h"
#include "fs/fs.h"
#include "handheld_records.h"  // records/
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/hotsync_session.h"
#include "testing/image.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using testing::StampOf;
using vlmtest::ContentOf;
using vlmtest::ContentTextOf;
using vlmtest::HeadOf;
using vlmtest::TempFolder;
using vlmtest::WriteFile;
using vlmtest::WriteFileBelow;

TEST(FileTypeTable, HoldsUpperCaseExtensionsOnceEachWithTheLaterFormatsAfterTheFirst83) {
  const auto table = FileTypeTable();
  ASSERT_EQ(table.size(), 90u);
  std::set<std::string> seen;
  for (const FileTypeRow& row : table) {
    const std::string extension = row.extension;
    EXPECT_TRUE(seen.insert(extension).second) << extension;
    EXPECT_LE(extension.size(), 9u);
    for (char c : extension) EXPECT_TRUE((c >= 'A' && c <= 'Z')) << extension;
    EXPECT_NE(row.route, kRouteRefused);
  }
  EXPECT_STREQ(table.front().extension, "PRC");
  EXPECT_STREQ(table[82].extension, "OBJ");
  EXPECT_STREQ(table.back().extension, "PDF");
}

struct Classification {
  const char* path;
  ConversionRoute route;
};

void PrintTo(const Classification& c, std::ostream* os) {
  *os << '"' << c.path << '"';
}

class ClassifyFileTypeTest : public ::testing::TestWithParam<Classification> {};

TEST_P(ClassifyFileTypeTest, ChoosesTheRouteOfTheWholeExtension) {
  EXPECT_EQ(ClassifyFileType(GetParam().path), GetParam().route) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ClassifyFileTypeTest,
    ::testing::Values(
        Classification{"/docs/Notes.TxT", kRoutePlainText},
        Classification{"/docs/archive.tar.gz", kRoutePcFormatDefault},
        Classification{"/docs/readme.", kRoutePcFormatDefault},
        Classification{"/dir.x/file", kRoutePcFormatDefault},
        Classification{"noextension", kRoutePcFormatDefault},
        Classification{"", kRoutePcFormatDefault}, Classification{".", kRoutePcFormatDefault},
        Classification{"/a/page.htm", kRouteHtml}, Classification{"/a/page.HTML", kRouteHtml},
        Classification{"/a/photo.jpeg", kRoutePcFormatDefault},
        Classification{"/a/photo.jpg", kRoutePicture},
        Classification{"/a/letter.doc", kRouteWordDocument},
        Classification{"/a/book.xls", kRouteSpreadsheet},
        Classification{"/a/letter.Docx", kRouteWordDocument},
        Classification{"/a/book.ods", kRouteSpreadsheet}, Classification{"/a/paper.pdf", kRoutePdf},
        Classification{"/a/app.prc", kRouteInstall}, Classification{"/a/db.PDB", kRouteInstall},
        Classification{"/a/setup.exe", kRouteUnchanged},
        Classification{"/a/source.c", kRoutePlainText},
        // ':' is an ordinary character; only '/' ends the folder part.
        Classification{"/a/b:c.txt", kRoutePlainText},
        Classification{"/a/x.txt:stream", kRoutePcFormatDefault},
        Classification{"/a/long.abcdefghijk", kRoutePcFormatDefault},
        Classification{"/a/odd.t\xC3\xA9xt", kRoutePcFormatDefault}));

struct HandheldPath {
  const char* path;
  const char* name;
};

void PrintTo(const HandheldPath& p, std::ostream* os) {
  *os << '"' << p.path << '"';
}

class FileNameOfHandheldPathTest : public ::testing::TestWithParam<HandheldPath> {};

TEST_P(FileNameOfHandheldPathTest, EndsTheFolderPartAtEitherSeparator) {
  EXPECT_EQ(FileNameOfHandheldPath(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNameOfHandheldPathTest,
    ::testing::Values(HandheldPath{"C:\\My Documents\\report.txt", "report.txt"},
                      HandheldPath{"d:notes.txt", "notes.txt"},
                      HandheldPath{"/home/ada/a:b.txt", "a:b.txt"},
                      HandheldPath{"C:\\docs\\..\\", "docs"}, HandheldPath{"C:", "unnamed"},
                      HandheldPath{"/..", "unnamed"}));

TEST(StampDateTime, WritesCenturyYearMonthDayHourMinuteAndNoSeconds) {
  const std::array<uint8_t, 8> expected = {20, 1, 3, 5, 14, 7, 0, 0};
  EXPECT_EQ(StampOf(vlmtest::LocalTime(2001, 3, 5, 14, 7, 42)), expected);
  std::array<uint8_t, 7> tooShort{};
  StampDateTime(0, tooShort);
  EXPECT_EQ(tooShort, (std::array<uint8_t, 7>{}));
}

TEST(BuildMessageRecord, BuildsATextRecordOfTheMessageAndItsZero) {
  const ConversionResult result =
      BuildMessageRecord("The file was not found.", "- Not found", "/pc/a.txt");
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  const std::vector<uint8_t>& record = *result.record;
  ASSERT_EQ(record.size(), 225u);
  const auto head = HeadOf(record);
  EXPECT_EQ(head.title, "a.txt- Not found");
  EXPECT_EQ(head.sourcePath, "/pc/a.txt");
  EXPECT_EQ(head.contentKind, records::kContentText);
  EXPECT_EQ(head.size, 0u);
  EXPECT_EQ(head.created, (std::array<uint8_t, 8>{}));
  EXPECT_EQ(ContentOf(record), std::string("The file was not found.\0", 24));

  const ConversionResult empty = BuildMessageRecord("", "", "/pc/a.txt");
  ASSERT_TRUE(empty.record);
  EXPECT_EQ(empty.record->size(), 202u);
}

TEST(BuildMessageRecord, CutsLongTitlesAndPathsWithinTheirFields) {
  const std::string name(60, 'n');
  const std::string path = "/" + std::string(200, 'd') + "/" + name;
  const ConversionResult result = BuildMessageRecord("m", "- Error", path);
  ASSERT_TRUE(result.record);
  const auto head = HeadOf(*result.record);
  EXPECT_EQ(head.title, std::string(39, 'n'));
  EXPECT_EQ(head.sourcePath, path.substr(0, 127));
  // Both fields keep their terminating zero.
  EXPECT_EQ((*result.record)[records::file_record::kTitleOffset + 39], 0);
  EXPECT_EQ((*result.record)[records::file_record::kSourcePathOffset + 127], 0);
}

// A file, and the bytes and title its PC-format record carries.
struct PcFormatFile : vlmtest::NamedRow {
  const char* file;
  std::string bytes;
  size_t kept;  // bytes the record carries
  const char* title;
  bool throughDispatcher;  // ConvertForHandheld rather than SendAsPcFormat
};

class SendAsPcFormatTest : public ::testing::TestWithParam<PcFormatFile> {};

// The bytes unchanged, with the file's times, cut at the bound.
TEST_P(SendAsPcFormatTest, CarriesTheBytesWithTheFileTimes) {
  const PcFormatFile& c = GetParam();
  TempFolder folder;
  const std::string path = WriteFileBelow(folder.Path(), c.file, c.bytes);
  vlmtest::SetModifiedTime(path, vlmtest::LocalTime(2001, 3, 5, 14, 7, 30));
  const ConversionResult result =
      c.throughDispatcher ? ConvertForHandheld(path) : SendAsPcFormat(path);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  ASSERT_EQ(result.record->size(), 202u + c.kept);
  EXPECT_EQ(ContentOf(*result.record), c.bytes.substr(0, c.kept) + '\0');
  const auto head = HeadOf(*result.record);
  EXPECT_EQ(head.title, c.title);
  EXPECT_EQ(head.sourcePath, path);
  EXPECT_EQ(head.contentKind, records::kContentPcFormat);
  EXPECT_EQ(head.size, c.kept);
  EXPECT_EQ(head.modified, (std::array<uint8_t, 8>{20, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(head.created, StampOf(platform::GetFileStatus(path)->creationTime));
  EXPECT_EQ(head.fileId, 0);
  EXPECT_EQ(head.sent, (std::array<uint8_t, 8>{}));
}

const std::string kProgram = [] {
  std::string bytes(100000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  return bytes;
}();

INSTANTIATE_TEST_SUITE_P(
    Files, SendAsPcFormatTest,
    ::testing::Values(PcFormatFile{"Unchanged", "tool.bin", std::string("\x00\x01\xFF\r\n\tend", 8),
                                   8, "tool.bin - PC Format", false},
                      PcFormatFile{"LongerThanARecordHoldsIsCut", "setup.exe", kProgram, 64798,
                                   "setup.exe - PC Format, Cut", true},
                      PcFormatFile{"JustFitsWhole", "exact.dat", std::string(64798, 'x'), 64798,
                                   "exact.dat - PC Format", false}),
    vlmtest::RowName());

TEST(SendAsPcFormat, AnswersFilesItCannotOpenWithoutARecord) {
  TempFolder folder;
  EXPECT_EQ(SendAsPcFormat(folder / "missing.bin").status, kConvCannotOpen);
  EXPECT_FALSE(SendAsPcFormat(folder / "missing.bin").record);
  // A folder and a named pipe are not read, and the pipe never blocks.
  EXPECT_EQ(SendAsPcFormat(folder.Path()).status, kConvCannotOpen);
  const std::string fifo = folder / "pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(SendAsPcFormat(fifo).status, kConvCannotOpen);
  const ConversionResult converted = ConvertForHandheld(fifo);
  EXPECT_FALSE(converted.record);
  EXPECT_NE(converted.status, kConvOk);
  EXPECT_EQ(converted.failure, "it is a named pipe");
}

TEST(ConvertForHandheld, AnswersAMissingFileWithANotFoundRecord) {
  TempFolder folder;
  const ConversionResult result = ConvertForHandheld(folder / "a.txt");
  EXPECT_EQ(result.status, kConvFileNotFound);
  ASSERT_TRUE(result.record);
  ASSERT_EQ(result.record->size(), 225u);
  EXPECT_EQ(HeadOf(*result.record).title, "a.txt- Not found");
  EXPECT_EQ(ContentTextOf(*result.record), "The file was not found.");
}

struct Fallback : vlmtest::NamedRow {
  const char* bytes;
  // The reason the log gives after the file's name; nullptr when the route
  // has no converter (no warning), "" when any reason will do.
  const char* reason;
};

class FallbackTest : public ::testing::TestWithParam<Fallback> {};

// Routes whose converter fails send the file in PC format instead, and the
// HotSync log says which file and why. No office program is on PATH here,
// as on a PC without one.
TEST_P(FallbackTest, SendsTheFileInPcFormatWhenTheConverterFails) {
  TempFolder folder;
  vlmtest::HotSyncSession session(vlmtest::MakeHandheldImage(folder / "handheld", "Ann"));
  ASSERT_TRUE(session.Ok());
  vlmtest::ScopedEnv noPrograms("PATH", folder.Path());
  const std::string path = WriteFileBelow(folder.Path(), GetParam().name, GetParam().bytes);
  const ConversionResult result = ConvertForHandheld(path);
  EXPECT_EQ(result.status, kConvOk);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).contentKind, records::kContentPcFormat);
  EXPECT_EQ(HeadOf(*result.record).title, std::string(GetParam().name) + " - PC Format");
  EXPECT_EQ(ContentTextOf(*result.record), GetParam().bytes);
  const std::vector<vlmtest::LogLine> entries = vlmtest::SessionLog();
  if (GetParam().reason == nullptr) {
    EXPECT_TRUE(entries.empty());
    return;
  }
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].activity, 22);
  const std::string start =
      "Couldn't convert " + std::string(GetParam().name) + ", sent it in PC format: ";
  ASSERT_EQ(entries[0].text.substr(0, start.size()), start);
  const std::string reason = entries[0].text.substr(start.size());
  EXPECT_FALSE(reason.empty());
  if (*GetParam().reason != '\0') {
    EXPECT_EQ(reason, GetParam().reason);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, FallbackTest,
    ::testing::Values(Fallback{"broken.png", "not a picture", ""},
                      Fallback{"letter.doc", "word", "no word processor is installed"},
                      Fallback{"book.xls", "sheet", "no spreadsheet program is installed"},
                      Fallback{"archive.tar.gz", "gz", nullptr},
                      Fallback{"readme.", "dot", nullptr}));

TEST(ConvertForHandheld, ConvertsTextAndHtmlByTheirRoutes) {
  TempFolder folder;
  WriteFile(folder / "Notes.TxT", "a\r\nb");
  WriteFile(folder / "page.htm", "<P>Hello");
  const ConversionResult text = ConvertForHandheld(folder / "Notes.TxT");
  ASSERT_TRUE(text.record);
  EXPECT_EQ(HeadOf(*text.record).contentKind, records::kContentText);
  EXPECT_EQ(ContentTextOf(*text.record), "a\nb");
  const ConversionResult html = ConvertForHandheld(folder / "page.htm");
  ASSERT_TRUE(html.record);
  EXPECT_EQ(ContentTextOf(*html.record), "\n\nHello");
}

TEST(ConvertForHandheld, GivesAnEmptyTextFileARecordOf203Bytes) {
  TempFolder folder;
  WriteFile(folder / "empty.txt", "");
  const ConversionResult result = ConvertForHandheld(folder / "empty.txt");
  ASSERT_TRUE(result.record);
  ASSERT_EQ(result.record->size(), 203u);
  EXPECT_EQ(ContentOf(*result.record), std::string(2, '\0'));
  EXPECT_EQ(HeadOf(*result.record).title, "empty.txt");
}

}  // namespace
}  // namespace conduit
