// Handheld file records for the tests.
#include "testing/file_record.h"

#include <algorithm>

#include "bytes/bytes.h"
#include "handheld_records.h"  // records/

namespace vlmtest {

namespace layout = records::file_record;

RecordHead HeadOf(const std::vector<uint8_t>& record) {
  RecordHead head;
  head.fileId = platform::GetU16Be(record, layout::kFileIdOffset);
  head.title = platform::GetFixedText(record, layout::kTitleOffset, layout::kTitleSize);
  head.sourcePath =
      platform::GetFixedText(record, layout::kSourcePathOffset, layout::kSourcePathSize);
  const auto stamp = [&](size_t offset) {
    std::array<uint8_t, 8> bytes{};
    if (record.size() >= offset + 8)
      std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(offset), 8, bytes.begin());
    return bytes;
  };
  head.created = stamp(layout::kCreatedOffset);
  head.modified = stamp(layout::kModifiedOffset);
  head.sent = stamp(layout::kSentOffset);
  head.depthCode = platform::GetU16Be(record, layout::kDepthCodeOffset);
  head.size = platform::GetU32Be(record, layout::kSizeOffset);
  head.contentKind =
      record.size() > layout::kContentKindOffset ? record[layout::kContentKindOffset] : 0;
  return head;
}

std::string ContentOf(const std::vector<uint8_t>& record) {
  if (record.size() <= layout::kContentOffset) return {};
  return std::string(record.begin() + layout::kContentOffset, record.end());
}

std::string ContentTextOf(const std::vector<uint8_t>& record) {
  const std::string content = ContentOf(record);
  return content.substr(0, content.find('\0'));
}

std::vector<uint8_t> FileRecordBytes(const RecordHead& head, std::string_view content) {
  platform::ByteWriter writer;
  writer.U16Be(head.fileId);
  writer.FixedText(head.title, layout::kTitleSize);
  writer.FixedText(head.sourcePath, layout::kSourcePathSize, platform::TextTerminator::kIfRoom);
  for (const auto& stamp : {head.created, head.modified, head.sent}) writer.Bytes(stamp);
  writer.U16Be(head.depthCode);
  writer.U32Be(head.size);
  writer.U8(head.contentKind);
  writer.Bytes(std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
  return writer.Take();
}

std::vector<uint8_t> FileRecordBytes(uint16_t fileId, uint32_t sizeField, size_t size) {
  return FileRecordBytes({.fileId = fileId,
                          .title = "title",
                          .modified = {20, 1, 3, 5, 14, 7, 0, 0},
                          .size = sizeField},
                         std::string(size - layout::kHeadSize, '\0'));
}

}  // namespace vlmtest
