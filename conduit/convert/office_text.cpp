// The text record of documents read by other programs, and the full path
// those programs are given.
#include "convert/office_text.h"

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "convert/record_writer.h"
#include "convert/transcode.h"

namespace conduit {

ConversionResult BuildDocumentTextRecord(const std::string& path, std::string_view utf8Text,
                                         std::string_view cutSuffix, time_t created,
                                         time_t modified) {
  return CatchNoMemory([&] {
    std::string text = TranscodeUtf8ToWindows1252(utf8Text);
    NormaliseLineBreaks(text);
    const bool cut = text.size() + 1 > kMaxDocumentTextWithZero;
    if (cut) text.resize(kMaxDocumentTextWithZero - 1);
    TextRecordFields fields;
    fields.text = text;
    fields.cut = cut;
    fields.sizeCountsZero = true;
    fields.cutSuffix = cutSuffix;
    fields.created = created;
    fields.modified = modified;
    return BuildTextRecord(path, fields);
  });
}

std::string FullPathOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error || full.native().size() >= PATH_MAX) return {};
  return full.lexically_normal().string();
}

ConversionResult ConversionFailure(int status, std::string reason) {
  return ConversionResult{std::nullopt, status, std::move(reason), {}};
}

}  // namespace conduit
