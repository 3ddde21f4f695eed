// Word-processor documents and workbooks through a real headless
// LibreOffice. The documents are made by LibreOffice itself from text in
// the test; each conversion starts and ends a LibreOffice of its own, so
// the cases are few and each checks a whole record.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/automation.h"
#include "clipboard/clipboard.h"
#include "convert/convert.h"
#include "convert_test_support.h"
#include "handheld_records.h"  // records/
#include "process/process_runner.h"

namespace conduit {
namespace {

using testing::ContentTextOf;
using testing::HeadOf;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::WriteFile;

namespace clipboard = platform::clipboard;

bool HaveLibreOffice() {
#ifdef VELLAMORE_HAVE_OFFICE_SERVER
  return platform::RunProcess({"sh", "-c", "command -v soffice"}).Succeeded();
#else
  return false;
#endif
}

// Has LibreOffice convert `sources` (in `folder`) to `format` beside them.
void ConvertWithLibreOffice(const TempFolder& folder, const std::string& format,
                            const std::vector<std::string>& sources) {
  std::vector<std::string> argv = {"soffice",    "-env:UserInstallation=file://" + folder / "maker",
                                   "--headless", "--convert-to",
                                   format,       "--outdir",
                                   folder.Path()};
  for (const std::string& source : sources) argv.push_back(folder / source);
  platform::ProcessOptions options;
  options.timeLimit = std::chrono::minutes(2);
  const platform::ProcessResult made = platform::RunProcess(argv, options);
  ASSERT_TRUE(made.Succeeded()) << platform::DescribeProcessResult(made) << made.standardError;
}

bool ProcessIsZombie(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  stat >> pidText >> name >> state;
  return state == "Z";
}

std::string Repeated(std::string_view piece, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

// A flat OpenDocument workbook of the given sheets, with a percentage
// format "ce1" and a hidden-sheet style "hidden".
std::string Workbook(std::string_view sheets) {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:percentage-style style:name="N1"><number:number number:decimal-places="1"
  number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
 <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="hidden" style:family="table"><style:table-properties table:display="false"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>)") +
         std::string(sheets) + "</office:spreadsheet></office:body></office:document>";
}

std::string Cell(std::string_view text) {
  return "<table:table-cell office:value-type=\"string\"><text:p>" + std::string(text) +
         "</text:p></table:table-cell>";
}

// A cell of two lines.
std::string TwoLineCell(std::string_view first, std::string_view second) {
  return "<table:table-cell office:value-type=\"string\"><text:p>" + std::string(first) +
         "</text:p><text:p>" + std::string(second) + "</text:p></table:table-cell>";
}

const std::string kBudgetSheets =
    "<table:table table:name=\"Budget\"><table:table-row>" + Cell("Rent") +
    "<table:table-cell office:value-type=\"float\" office:value=\"1200\"/></table:table-row>"
    "<table:table-row>" +
    Cell("Share") +
    "<table:table-cell table:style-name=\"ce1\" office:value-type=\"percentage\" "
    "office:value=\"0.125\"/></table:table-row></table:table>"
    "<table:table table:name=\"Notes\"><table:table-row>" +
    Cell("Pay by Friday") + "</table:table-row></table:table>";

// A sheet the user sees and a hidden one, each with a cell of two lines.
const std::string kHiddenSheets =
    "<table:table table:name=\"Shown\"><table:table-row>" + TwoLineCell("say \"so\"", "twice") +
    Cell("x") +
    "</table:table-row></table:table>"
    "<table:table table:name=\"Kept\" table:style-name=\"hidden\"><table:table-row>" +
    TwoLineCell("kept", "out of sight") + Cell("y") + "</table:table-row></table:table>";

// The documents are made once for each group of cases that needs them.
class OfficeTest : public ::testing::Test {
 protected:
  static void MakeDocuments(void (*make)(const TempFolder&)) {
    if (!HaveLibreOffice()) return;
    platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
    s_folder = new TempFolder;
    make(*s_folder);
  }
  static void TearDownTestSuite() {
    delete s_folder;
    s_folder = nullptr;
  }
  void SetUp() override {
    if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
  }

  static TempFolder* s_folder;
};

TempFolder* OfficeTest::s_folder = nullptr;

struct WordCase {
  const char* name;
  std::string content;
  uint32_t size;
  const char* title;
};

void PrintTo(const WordCase& c, std::ostream* os) {
  *os << c.name;
}

class WordDocumentTest : public OfficeTest, public ::testing::WithParamInterface<WordCase> {
 protected:
  static void SetUpTestSuite() {
    MakeDocuments([](const TempFolder& folder) {
      WriteFile(folder / "letter.txt", "Dear Ann,\r\nthe caf\xc3\xa9\tis open.\r\n\r\nBob\r\n");
      WriteFile(folder / "long.txt", Repeated("abcdefghijklmnopqrs\n", 2000));
      ConvertWithLibreOffice(folder, "doc", {"letter.txt", "long.txt"});
    });
  }
};

// Paragraph ends become line feeds, tabs four spaces, the text the
// handheld's character set; a long text is cut to 30,000 bytes with its zero.
TEST_P(WordDocumentTest, CarriesTheDocumentTextAsTheHandheldShowsIt) {
  const WordCase& expected = GetParam();
  const ConversionResult result = ConvertWordDocument(*s_folder / expected.name);
  ASSERT_EQ(result.status, kConvOk) << result.failure;
  ASSERT_TRUE(result.record);
  EXPECT_TRUE(ContentTextOf(*result.record) == expected.content)
      << ContentTextOf(*result.record).substr(0, 200);
  EXPECT_EQ(HeadOf(*result.record).size, expected.size);
  EXPECT_EQ(result.record->size(), 202 + expected.size);
  EXPECT_EQ(HeadOf(*result.record).title, expected.title);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, WordDocumentTest,
    ::testing::Values(WordCase{"letter.doc", "Dear Ann,\nthe caf\xe9    is open.\n\nBob\n", 37,
                               "letter.doc"},
                      WordCase{"long.doc", Repeated("abcdefghijklmnopqrs\n", 2000).substr(0, 29999),
                               30000, "long.doc- Cut"}));

struct SheetCase {
  const char* name;
  std::string content;
  uint32_t size;
  const char* title;
};

void PrintTo(const SheetCase& c, std::ostream* os) {
  *os << c.name;
}

class SpreadsheetTest : public OfficeTest, public ::testing::WithParamInterface<SheetCase> {
 protected:
  static void SetUpTestSuite() {
    MakeDocuments([](const TempFolder& folder) {
      WriteFile(folder / "budget.fods", Workbook(kBudgetSheets));
      WriteFile(folder / "empty.fods", Workbook("<table:table table:name=\"Sheet1\"/>"));
      WriteFile(folder / "hidden.fods", Workbook(kHiddenSheets));
      WriteFile(folder / "long.csv", Repeated("abcdefghijklmnopqrs\r\n", 2000));
      ConvertWithLibreOffice(folder, "xls",
                             {"budget.fods", "empty.fods", "hidden.fods", "long.csv"});
    });
  }
};

// One block per sheet, cells as displayed; whatever the user had on the
// clipboard is there again afterwards, in every format it was offered in.
TEST_P(SpreadsheetTest, CollectsEverySheetAndGivesTheClipboardBack) {
  const std::vector<uint8_t> userText = {'m', 'i', 'n', 'e', 0};
  const std::vector<uint8_t> userPicture = {1, 2, 0, 3};
  ASSERT_TRUE(clipboard::Open());
  clipboard::Empty();
  clipboard::Set(clipboard::kFormatText, userText);
  clipboard::Set(0xC001, userPicture);
  clipboard::Close();
  const SheetCase& expected = GetParam();
  const ConversionResult result = ConvertSpreadsheet(*s_folder / expected.name);
  ASSERT_EQ(result.status, kConvOk) << result.failure;
  ASSERT_TRUE(result.record);
  EXPECT_TRUE(ContentTextOf(*result.record) == expected.content)
      << ContentTextOf(*result.record).substr(0, 200);
  EXPECT_EQ(HeadOf(*result.record).size, expected.size);
  EXPECT_EQ(HeadOf(*result.record).title, expected.title);
  EXPECT_EQ(clipboard::Formats(), (std::vector<uint32_t>{clipboard::kFormatText, 0xC001}));
  EXPECT_EQ(clipboard::Get(clipboard::kFormatText), userText);
  EXPECT_EQ(clipboard::Get(0xC001), userPicture);
}

const std::string kLongSheet =
    ("long (Sheet1)\n\n" + Repeated("abcdefghijklmnopqrs\n", 2000)).substr(0, 29999);

INSTANTIATE_TEST_SUITE_P(
    Workbooks, SpreadsheetTest,
    ::testing::Values(SheetCase{"budget.xls",
                                "Budget (Sheet1)\n\nRent    1200\nShare    12.5%\n\n\n\n"
                                "Notes (Sheet2)\n\nPay by Friday\n\n\n\n",
                                82, "budget.xls"},
                      SheetCase{"empty.xls", "Sheet1 (Sheet1)\n\n(Empty)\n\n\n", 28, "empty.xls"},
                      // A cell of several lines is quoted as the copy quotes it,
                      // and a hidden sheet gives its own cells, not another's.
                      SheetCase{"hidden.xls",
                                "Shown (Sheet1)\n\n\"say \"\"so\"\"\ntwice\"    x\n\n\n\n"
                                "Kept (Sheet2)\n\n\"kept\nout of sight\"    y\n\n\n\n",
                                87, "hidden.xls"},
                      SheetCase{"long.xls", kLongSheet, 30000, "long.xls - Cut"}));

// A file LibreOffice cannot open fails the conversion, and the dispatcher
// sends it in PC format.
TEST_F(OfficeTest, SendsWhatLibreOfficeCannotOpenInPcFormat) {
  TempFolder folder;
  // A zip archive's signature, as .docx and .xlsx files begin, then nothing.
  const std::string damaged = std::string("PK\x03\x04", 4) + std::string(200, '\0');
  WriteFile(folder / "damaged.doc", damaged);
  WriteFile(folder / "damaged.xls", damaged);
  EXPECT_EQ(ConvertWordDocument(folder / "damaged.doc").status, kConvDocumentNotOpened);
  EXPECT_EQ(ConvertSpreadsheet(folder / "damaged.xls").status, kConvCannotOpen);
}

// A LibreOffice that never answers is killed when the time limit runs out,
// with everything it started, and the document goes in PC format.
TEST_F(OfficeTest, KillsALibreOfficeThatNeverAnswers) {
  TempFolder folder;
  const std::string pidFile = folder / "soffice.pid";
  WriteFile(folder / "soffice", "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 600\n");
  chmod((folder / "soffice").c_str(), 0755);
  WriteFile(folder / "letter.doc", "text");
  ScopedEnvironment hungOffice("PATH", folder.Path() + ":/usr/bin:/bin");
  platform::automation::SetCallTimeLimit(std::chrono::seconds(2));
  const ConversionResult result = ConvertForHandheld(folder / "letter.doc");
  platform::automation::SetCallTimeLimit(std::chrono::seconds(60));
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).contentKind, kContentPcFormat);
  const pid_t office = std::stoi(testing::ReadFile(pidFile));
  EXPECT_TRUE(kill(office, 0) != 0 || ProcessIsZombie(office)) << "LibreOffice was left running";
}

}  // namespace
}  // namespace conduit
