// Plain text to handheld text: at most 64,798 bytes of the file, transcoded
// to the handheld's character set, with the line breaks the handheld shows.
// NormaliseLineBreaks is shared with the word-processor and spreadsheet
// converters.
#include <algorithm>
#include <cstring>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "handheld_records.h"  // records/
#include "text/transcode.h"

namespace conduit {
namespace {

// Replaces every pair `first` `second` by a single LF, scanning once from
// the left; what a replacement leaves behind is not scanned again. The text
// only shrinks, so the work is done in place, a stretch at a time.
void ReplacePairByLineFeed(std::string& text, char first, char second) {
  char* const begin = text.data();
  const size_t size = text.size();
  size_t read = 0, write = 0;
  while (read < size) {
    const void* found = std::memchr(begin + read, first, size - read);
    const size_t at =
        found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - begin) : size;
    if (write != read) std::memmove(begin + write, begin + read, at - read);
    write += at - read;
    read = at;
    if (read == size) break;
    const bool pair = read + 1 < size && begin[read + 1] == second;
    begin[write++] = pair ? '\n' : first;
    read += pair ? 2 : 1;
  }
  text.resize(write);
}

void ExpandTabs(std::string& text) {
  const size_t tabs = static_cast<size_t>(std::count(text.begin(), text.end(), '\t'));
  if (tabs == 0) return;
  std::string expanded;
  expanded.reserve(text.size() + 3 * tabs);
  size_t start = 0;
  for (size_t tab = text.find('\t'); tab != std::string::npos; tab = text.find('\t', start)) {
    expanded.append(text, start, tab - start).append("    ");
    start = tab + 1;
  }
  expanded.append(text, start, std::string::npos);
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
    // The first bound applies to the bytes of the file; transcoding only
    // shortens and line-break normalisation may lengthen the text
    // afterwards, so the record builder cuts the result to what a record
    // holds.
    FileContents file = ReadFileForConversion(path, records::file_record::kMaxContentBytes);
    if (file.status != kConvOk) return UnreadFile(file);
    EndAtFirstNul(file.bytes);
    std::string text = platform::text::TranscodeUtf8ToWindows1252(
        platform::text::WithoutUtf8Edges(file.bytes, file.cut));
    file.bytes = std::string();
    NormaliseLineBreaks(text);
    TextRecordFields fields;
    fields.text = text;
    fields.cut = file.cut;
    fields.created = file.creationTime;
    fields.modified = file.lastWriteTime;
    return BuildTextRecord(path, fields);
  });
}

}  // namespace conduit
