// Writing the head fields of a handheld file record through the byte
// helpers, at the offsets of the HandheldFileRecord layout.
#include "convert/record_writer.h"

#include <algorithm>
#include <limits>

#include "bytes/bytes.h"
#include "convert/transcode.h"
#include "records/handheld_records.h"

namespace conduit {

std::vector<uint8_t> NewRecord(size_t length) {
  return std::vector<uint8_t>(length, 0);
}

void PutTitle(std::vector<uint8_t>& record, std::string_view name, std::string_view suffix) {
  std::string title;
  title.reserve(name.size() + suffix.size());
  title.append(name).append(suffix);
  // The handheld shows the title in its own character set; cutting after
  // transcoding never splits a character.
  platform::PutFixedText(record, file_record::kTitleOffset, file_record::kTitleSize,
                         TranscodeUtf8ToWindows1252(title));
}

void PutSourcePath(std::vector<uint8_t>& record, std::string_view path) {
  platform::PutFixedText(record, file_record::kSourcePathOffset, file_record::kSourcePathSize,
                         path);
}

void PutCreated(std::vector<uint8_t>& record, time_t pcTime) {
  StampDateTime(pcTime, std::span(record).subspan(file_record::kCreatedOffset));
}

void PutModified(std::vector<uint8_t>& record, time_t pcTime) {
  StampDateTime(pcTime, std::span(record).subspan(file_record::kModifiedOffset));
}

void PutSizeField(std::vector<uint8_t>& record, uint32_t size) {
  platform::PutU32Be(record, file_record::kSizeOffset, size);
}

void PutContentKind(std::vector<uint8_t>& record, uint8_t kind) {
  if (record.size() > file_record::kContentKindOffset) {
    record[file_record::kContentKindOffset] = kind;
  }
}

uint32_t SizeFieldOf(uint64_t fileSize) {
  return static_cast<uint32_t>(std::min<uint64_t>(fileSize, std::numeric_limits<uint32_t>::max()));
}

ConversionResult BuildTextRecord(const std::string& path, const TextRecordFields& fields) {
  return CatchNoMemory([&] {
    const bool cut = fields.cut || fields.text.size() > kMaxRecordTextBytes;
    const std::string_view text = fields.text.substr(0, kMaxRecordTextBytes);
    // Head, text, its terminating zero and one spare byte.
    std::vector<uint8_t> record = NewRecord(file_record::kHeadSize + text.size() + 2);
    const std::string_view suffix = cut ? fields.cutSuffix : std::string_view();
    PutTitle(record, FileNameOfPath(path), suffix);
    PutSourcePath(record, path);
    PutCreated(record, fields.created);
    PutModified(record, fields.modified);
    PutSizeField(record, static_cast<uint32_t>(text.size() + (fields.sizeCountsZero ? 1 : 0)));
    PutContentKind(record, kContentText);
    std::copy(text.begin(), text.end(),
              record.begin() + static_cast<std::ptrdiff_t>(file_record::kContentOffset));
    return ConversionResult{std::move(record), kConvOk, {}, std::string(suffix)};
  });
}

}  // namespace conduit
