// Plain text to handheld text: at most 64,798 bytes of the file, transcoded
// to the handheld's character set, with the line breaks the handheld shows.
// NormaliseLineBreaks is shared with the word-processor and spreadsheet
// converters.
#include <algorithm>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "convert/transcode.h"
#include "records/handheld_records.h"

namespace conduit {
namespace {

// Replaces every two-character `pair` by a single LF, scanning once from the
// left; what a replacement leaves behind is not scanned again.
void ReplacePairByLineFeed(std::string& text, char first, char second) {
  size_t write = 0;
  for (size_t read = 0; read < text.size(); ++read) {
    if (text[read] == first && read + 1 < text.size() && text[read + 1] == second) {
      text[write++] = '\n';
      ++read;
    } else {
      text[write++] = text[read];
    }
  }
  text.resize(write);
}

void ExpandTabs(std::string& text) {
  const size_t tabs = static_cast<size_t>(std::count(text.begin(), text.end(), '\t'));
  if (tabs == 0) return;
  std::string expanded;
  expanded.reserve(text.size() + 3 * tabs);
  for (char c : text) {
    if (c == '\t') {
      expanded.append("    ");
    } else {
      expanded += c;
    }
  }
  text = std::move(expanded);
}

}  // namespace

void NormaliseLineBreaks(std::string& text) {
  EndAtFirstNul(text);
  ReplacePairByLineFeed(text, '\r', '\n');
  ReplacePairByLineFeed(text, '\n', '\r');
  std::replace(text.begin(), text.end(), '\r', '\n');
  ExpandTabs(text);
}

ConversionResult ConvertPlainText(const std::string& path) {
  return CatchNoMemory([&] {
    // The bound applies to the bytes of the file; transcoding only shortens
    // and line-break normalisation may lengthen the text afterwards.
    FileContents file = ReadFileForConversion(path, file_record::kMaxContentBytes);
    if (file.status != kConvOk) return ConversionResult{std::nullopt, file.status};
    EndAtFirstNul(file.bytes);
    std::string text = TranscodeUtf8ToWindows1252(file.bytes);
    NormaliseLineBreaks(text);
    TextRecordFields fields;
    fields.text = text;
    fields.sizeField = static_cast<uint32_t>(text.size());
    fields.titleSuffix = file.cut ? kTextCutSuffix : std::string_view();
    fields.created = file.creationTime;
    fields.modified = file.lastWriteTime;
    return BuildTextRecord(path, fields);
  });
}

}  // namespace conduit
