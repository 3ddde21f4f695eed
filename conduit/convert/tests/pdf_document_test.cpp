// PDF documents through pdftotext: a PDF made by Ghostscript in the test
// arrives as text; one pdftotext cannot read, or a PC without pdftotext,
// sends it in PC format.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "convert/convert.h"
#include "handheld_records.h"  // records/
#include "process/process_runner.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::ContentTextOf;
using vlmtest::HeadOf;
using vlmtest::TempFolder;
using vlmtest::WriteFile;

bool HaveProgram(const std::string& program) {
  return platform::RunProcess({"sh", "-c", "command -v " + program}).Succeeded();
}

// A two-page PDF of the given lines, one page each.
void MakePdf(const TempFolder& folder, const std::string& name) {
  WriteFile(folder / "pages.ps",
            "/Helvetica findfont 12 scalefont setfont\n"
            "72 700 moveto (First page) show showpage\n"
            "72 700 moveto (Second page) show showpage\n");
  const platform::ProcessResult made =
      platform::RunProcess({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
                            "-sOutputFile=" + folder / name, folder / "pages.ps"});
  ASSERT_TRUE(made.Succeeded()) << made.standardError;
}

struct PdfCase : vlmtest::NamedRow {
  bool readable;       // a real PDF, else a damaged one
  bool withPdftotext;  // pdftotext on PATH
  uint8_t kind;
  // A stand-in for pdftotext put first on PATH, when given.
  const char* reader = nullptr;
};

class PdfDocumentTest : public ::testing::TestWithParam<PdfCase> {};

TEST_P(PdfDocumentTest, ArrivesAsTextOnlyWhenPdftotextReadsIt) {
  if (!HaveProgram("pdftotext") || !HaveProgram("gs")) {
    GTEST_SKIP() << "pdftotext (poppler-utils) or Ghostscript is not installed";
  }
  TempFolder folder;
  const std::string path = folder / "paper.pdf";
  if (GetParam().readable) {
    MakePdf(folder, "paper.pdf");
  } else {
    WriteFile(path, "%PDF-1.4\nnothing else\n");
  }
  std::string programs = GetParam().withPdftotext ? "/usr/bin:/bin" : folder.Path();
  if (GetParam().reader != nullptr) {
    const std::string bin = folder / "bin";
    mkdir(bin.c_str(), 0700);
    WriteFile(bin + "/pdftotext", GetParam().reader);
    chmod((bin + "/pdftotext").c_str(), 0755);
    programs = bin + ":" + programs;
  }
  vlmtest::ScopedEnv path_("PATH", programs);
  const ConversionResult result = ConvertForHandheld(path);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).contentKind, GetParam().kind);
  if (GetParam().kind == records::kContentText && GetParam().reader == nullptr) {
    EXPECT_EQ(ContentTextOf(*result.record), "First page\n\n\nSecond page\n\n");
    EXPECT_EQ(HeadOf(*result.record).title, "paper.pdf");
  }
  if (GetParam().reader != nullptr) {
    // Reading ends once the record is full, long before the reader would.
    EXPECT_EQ(HeadOf(*result.record).size, 30000u);
    EXPECT_EQ(HeadOf(*result.record).title, "paper.pdf- Cut");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pdfs, PdfDocumentTest,
    ::testing::Values(PdfCase{"readable", true, true, records::kContentText},
                      PdfCase{"damaged", false, true, records::kContentPcFormat},
                      PdfCase{"noPdftotext", true, false, records::kContentPcFormat},
                      PdfCase{"endless", true, true, records::kContentText,
                              "#!/bin/sh\nexec yes 'Page text'\n"}));

}  // namespace
}  // namespace conduit
