// Word-processor documents and workbooks through a real headless
// LibreOffice. The documents are made by LibreOffice itself from text in
// the test; each conversion starts and ends a LibreOffice of its own, so
// the cases are few and each checks a whole record.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "automation/automation.h"
#include "clipboard/clipboard.h"
#include "convert/convert.h"
#include "convert_test_support.h"
#include "process/process_runner.h"
#include "records/handheld_records.h"

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

std::string Repeated(std::string_view piece, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

class OfficeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!HaveLibreOffice()) return;
    platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
    s_folder = new TempFolder;
    const TempFolder& folder = *s_folder;
    WriteFile(folder / "letter.txt", "Dear Ann,\r\nthe caf\xc3\xa9\tis open.\r\n\r\nBob\r\n");
    WriteFile(folder / "long.txt", Repeated("0123456789012345678\r\n", 2000));
    ConvertWithLibreOffice(folder, "doc", {"letter.txt", "long.txt"});
  }
  static void TearDownTestSuite() {
    delete s_folder;
    s_folder = nullptr;
  }
  void SetUp() override {
    if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
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

class WordDocumentTest : public OfficeTest, public ::testing::WithParamInterface<WordCase> {};

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
                      WordCase{"long.doc", Repeated("0123456789012345678\n", 2000).substr(0, 29999),
                               30000, "long.doc- Cut"}));

}  // namespace
}  // namespace conduit
