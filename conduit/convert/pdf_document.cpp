// PDF documents: poppler's pdftotext reads the text, which is packed like a
// word-processor document's (at most 30,000 bytes with its zero, "- Cut"
// when cut). A PDF that pdftotext cannot read, or a PC without pdftotext,
// leaves the document to go in PC format.
//
// Only as much of a PDF is read as the record can hold: every page gives
// the text at least one line break, so no more pages are read than the
// record has bytes, and pdftotext is ended as soon as it has written more
// text than the record can take.
#include <algorithm>

#include "convert/convert.h"
#include "convert/office_text.h"
#include "fs/fs.h"
#include "process/process_runner.h"

namespace conduit {
namespace {

constexpr size_t kMostPages = kMaxDocumentTextWithZero;

// pdftotext ends every page with a form feed; pages are separated by a line
// break instead, and the last one ends the text.
std::string PagesAsLines(std::string text) {
  while (!text.empty() && text.back() == '\f') text.pop_back();
  std::replace(text.begin(), text.end(), '\f', '\n');
  return text;
}

}  // namespace

ConversionResult ConvertPdf(const std::string& path) {
  const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
  if (!status || !status->isRegularFile) {
    return ConversionFailure(kConvCannotOpen, "it is not a regular file");
  }
  const std::string fullPath = FullPathOf(path);
  if (fullPath.empty()) return ConversionFailure(kConvCannotOpen, "its full path is unknown");
  platform::ProcessOptions options;
  options.timeLimit = ConversionTimeLimit();
  options.outputLimit = kEnoughDocumentText;
  options.endAtOutputLimit = true;
  const platform::ProcessResult read = platform::RunProcess(
      {"pdftotext", "-q", "-l", std::to_string(kMostPages), "-enc", "UTF-8", fullPath, "-"},
      options);
  if (read.outcome == platform::ProcessOutcome::kNotStarted) {
    return ConversionFailure(kConvAutomationNotStarted, "pdftotext is not installed");
  }
  if (!read.Succeeded() && read.outcome != platform::ProcessOutcome::kOutputFull) {
    return ConversionFailure(kConvCannotOpen,
                             "pdftotext cannot read it: " + platform::DescribeProcessResult(read));
  }
  return BuildDocumentTextRecord(path, PagesAsLines(read.standardOutput), "- Cut",
                                 status->creationTime, status->lastWriteTime);
}

}  // namespace conduit
