// Reading a received record: the head's fields for the entry, and the
// content turned into the PC file's bytes by its kind.
#include "receive/received_record.h"

#include <algorithm>

#include "bytes/bytes.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/
#include "syncmgr/syncmgr.h"
#include "text/transcode.h"

namespace conduit::receive {
namespace {

// The BMP file header and its 40-byte information header.
constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;
constexpr size_t kBmpRowBytes = size_t{records::bitmap::kSide} * 3;  // a multiple of 4
constexpr uint32_t kBmpPixelsPerMetre = 2835;               // 72 dots per inch

store::FileListEntry EntryOf(const records::HandheldFileHead& head,
                             const RecordDescription& description) {
  store::FileListEntry entry;
  // The title as the PC shows it; the path stays the handheld's bytes.
  entry.title = platform::text::HandheldNameToUtf8(head.title);
  entry.path = head.sourcePath;
  entry.created = head.created;
  entry.modified = head.modified;
  entry.lastSent = head.sent;
  entry.kind = store::kReceivedFile;
  // The content kind byte widened with its sign, as the desktop program
  // reads it.
  const auto kind = static_cast<int8_t>(head.contentKind);
  entry.format = static_cast<uint16_t>(static_cast<int16_t>(kind));
  entry.category = description.category & kRecCategoryMask;
  entry.action = store::kActionReceived;
  entry.isPrivate = (description.attributes & kRecAttrSecret) != 0 ? 1 : 0;
  entry.changed = 0;
  entry.size = head.size;
  return entry;
}

// The handheld's text as a PC text: up to its NUL, with LF line ends, then
// Windows-1252 to UTF-8. The handheld ends its lines with LF alone; a CR LF
// (a text that came from a PC that way) becomes LF, and a lone CR, which
// breaks no line on the handheld either, is kept as it is.
std::vector<uint8_t> TextFileBytes(std::span<const uint8_t> content) {
  const auto end = std::find(content.begin(), content.end(), uint8_t{0});
  std::string text;
  text.reserve(static_cast<size_t>(end - content.begin()));
  for (auto byte = content.begin(); byte != end; ++byte) {
    if (*byte == '\r' && byte + 1 != end && byte[1] == '\n') continue;
    text += static_cast<char>(*byte);
  }
  const std::string utf8 = platform::text::Windows1252ToUtf8(text);
  return std::vector<uint8_t>(utf8.begin(), utf8.end());
}

std::optional<std::vector<uint8_t>> BitmapFileBytes(const records::HandheldFileHead& head,
                                                    std::span<const uint8_t> content,
                                                    std::string& why) {
  const records::bitmap::Depth depth = records::bitmap::DepthForCode(head.depthCode);
  const std::optional<std::vector<records::bitmap::Rgb>> colours =
      records::bitmap::DecodeBitmap(content, depth);
  if (!colours) {
    why = "the picture holds " + std::to_string(content.size()) + " bytes of the " +
          std::to_string(depth.ContentSize()) + " its depth needs";
    return std::nullopt;
  }
  std::vector<uint8_t> rgb;
  rgb.reserve(colours->size() * 3);
  for (const records::bitmap::Rgb& colour : *colours) {
    rgb.insert(rgb.end(), {colour.red, colour.green, colour.blue});
  }
  return EncodeBmp(rgb);
}

std::optional<std::vector<uint8_t>> DataFileBytes(std::span<const uint8_t> content, uint32_t size,
                                                  std::string& why) {
  if (size > content.size()) {
    why = "its size field says " + std::to_string(size) + " bytes but the record holds " +
          std::to_string(content.size());
    return std::nullopt;
  }
  return std::vector<uint8_t>(content.begin(), content.begin() + size);
}

}  // namespace

std::optional<PcFilePlan> PlanReceivedFile(std::span<const uint8_t> record,
                                           const RecordDescription& description, std::string& why) {
  const std::optional<records::HandheldFileHead> head = records::HandheldFileHead::Decode(record);
  if (!head) {
    why = "the record is " + std::to_string(record.size()) + " bytes, shorter than its head";
    return std::nullopt;
  }
  PcFilePlan plan;
  plan.entry = EntryOf(*head, description);
  const std::span<const uint8_t> content = records::FileRecordContent(record);
  std::optional<std::vector<uint8_t>> bytes;
  switch (head->contentKind) {
    case records::kContentText:
      plan.variant = PathVariant::kText;
      bytes = TextFileBytes(content);
      break;
    case records::kContentBitmap:
      plan.variant = PathVariant::kBitmap;
      bytes = BitmapFileBytes(*head, content, why);
      break;
    default:
      plan.variant = PathVariant::kData;
      bytes = DataFileBytes(content, plan.entry.size, why);
      break;
  }
  if (!bytes) return std::nullopt;
  plan.bytes = std::move(*bytes);
  return plan;
}

bool IsCutText(std::span<const uint8_t> record) {
  if (record.size() < records::file_record::kMaxRecordSize) return false;
  const std::optional<records::HandheldFileHead> head = records::HandheldFileHead::Decode(record);
  if (!head || head->contentKind != records::kContentText) return false;
  const std::span<const uint8_t> content = records::FileRecordContent(record);
  return std::find(content.begin(), content.end(), uint8_t{0}) == content.end();
}

std::vector<uint8_t> EncodeBmp(std::span<const uint8_t> rgb) {
  const size_t pixelBytes = kBmpRowBytes * records::bitmap::kSide;
  const size_t offset = kBmpFileHeaderSize + kBmpInfoHeaderSize;
  platform::ByteWriter writer(offset + pixelBytes);
  writer.Bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("BM"), 2));
  writer.U32Le(static_cast<uint32_t>(offset + pixelBytes));
  writer.U32Le(0);  // reserved
  writer.U32Le(static_cast<uint32_t>(offset));
  writer.U32Le(kBmpInfoHeaderSize);
  writer.U32Le(records::bitmap::kSide);  // width
  writer.U32Le(records::bitmap::kSide);  // height; positive: rows stored bottom first
  writer.U16Le(1);              // planes
  writer.U16Le(24);             // bits per pixel
  writer.U32Le(0);              // no compression
  writer.U32Le(static_cast<uint32_t>(pixelBytes));
  writer.U32Le(kBmpPixelsPerMetre);
  writer.U32Le(kBmpPixelsPerMetre);
  writer.U32Le(0);  // colours used
  writer.U32Le(0);  // important colours
  for (int row = records::bitmap::kSide - 1; row >= 0; --row) {
    for (int column = 0; column < records::bitmap::kSide; ++column) {
      const size_t at = 3 * (size_t(row) * records::bitmap::kSide + size_t(column));
      const bool inside = at + 2 < rgb.size();
      writer.U8(inside ? rgb[at + 2] : 0);  // blue, green, red
      writer.U8(inside ? rgb[at + 1] : 0);
      writer.U8(inside ? rgb[at] : 0);
    }
  }
  return writer.Take();
}

}  // namespace conduit::receive
