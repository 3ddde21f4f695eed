// The head of new and built handheld file records, and the converted text
// record.
#include "convert/record_writer.h"

#include <algorithm>
#include <limits>

#include "text/transcode.h"

namespace conduit {

std::string HandheldTitle(std::string_view name, std::string_view suffix) {
  std::string title;
  title.reserve(name.size() + suffix.size());
  title.append(name).append(suffix);
  return platform::text::TranscodeUtf8ToWindows1252(title);
}

records::HandheldFileHead NewHead(const std::string& path, std::string_view titleSuffix,
                                  uint8_t kind) {
  records::HandheldFileHead head;
  head.title = HandheldTitle(FileNameOfPath(path), titleSuffix);
  head.sourcePath = path;
  head.contentKind = kind;
  return head;
}

store::HandheldDateTime HeadStamp(time_t pcTime) {
  return store::HandheldDateTime::FromPcTime(pcTime, false);
}

uint32_t SizeFieldOf(uint64_t fileSize) {
  return static_cast<uint32_t>(std::min<uint64_t>(fileSize, std::numeric_limits<uint32_t>::max()));
}

ConversionResult BuildTextRecord(const std::string& path, const TextRecordFields& fields) {
  return CatchNoMemory([&] {
    const bool cut = fields.cut || fields.text.size() > kMaxRecordTextBytes;
    const std::string_view text = fields.text.substr(0, kMaxRecordTextBytes);
    const std::string_view suffix = cut ? fields.cutSuffix : std::string_view();
    records::HandheldFileHead head = NewHead(path, suffix, records::kContentText);
    head.created = HeadStamp(fields.created);
    head.modified = HeadStamp(fields.modified);
    head.size = static_cast<uint32_t>(text.size() + (fields.sizeCountsZero ? 1 : 0));
    std::vector<uint8_t> record =
        records::EncodeFileRecord(head, text, records::file_record::kTextZeros);
    return ConversionResult{std::move(record), kConvOk, {}, std::string(suffix)};
  });
}

}  // namespace conduit
