// Decoding and encoding the 378-byte FileListEntry in field order.
#include "file_list_entry.h"

#include <algorithm>
#include <string_view>

#include "bytes/bytes.h"

namespace store {
namespace {

// Writes `text` into a text field unless the field already holds exactly that
// text, in which case its bytes (including any after the NUL) stay as read.
void EncodeText(std::span<uint8_t> record, size_t offset, size_t size, std::string_view text) {
  if (platform::GetFixedText(record, offset, size) == text) return;
  platform::PutFixedText(record, offset, size, text, platform::TextTerminator::kAlways);
}

void EncodeStamp(std::span<uint8_t> record, size_t offset, const HandheldDateTime& stamp) {
  std::copy(stamp.bytes.begin(), stamp.bytes.end(), record.begin() + offset);
}

}  // namespace

FileListEntry FileListEntry::Decode(std::span<const uint8_t> bytes) {
  FileListEntry entry;
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), entry.decodedFrom.begin());
  platform::ByteReader reader(entry.decodedFrom);
  entry.id = reader.U16Le();
  entry.title = reader.FixedText(kTitleSize);
  entry.path = reader.FixedText(kPathSize);
  entry.receivedCopy = reader.FixedText(kReceivedCopySize);
  entry.user = reader.FixedText(kUserSize);
  entry.created = HandheldDateTime::FromBytes(reader.Bytes(HandheldDateTime::kSize));
  entry.modified = HandheldDateTime::FromBytes(reader.Bytes(HandheldDateTime::kSize));
  entry.lastSent = HandheldDateTime::FromBytes(reader.Bytes(HandheldDateTime::kSize));
  entry.kind = reader.U16Le();
  entry.format = reader.U16Le();
  entry.category = reader.U16Le();
  entry.action = reader.U16Le();
  entry.isPrivate = reader.U16Le();
  entry.changed = reader.U16Le();
  entry.size = reader.U32Le();
  return entry;
}

std::array<uint8_t, FileListEntry::kSize> FileListEntry::Encode() const {
  std::array<uint8_t, kSize> record = decodedFrom;
  platform::PutU16Le(record, kIdOffset, id);
  EncodeText(record, kTitleOffset, kTitleSize, title);
  EncodeText(record, kPathOffset, kPathSize, path);
  EncodeText(record, kReceivedCopyOffset, kReceivedCopySize, receivedCopy);
  EncodeText(record, kUserOffset, kUserSize, user);
  EncodeStamp(record, kCreatedOffset, created);
  EncodeStamp(record, kModifiedOffset, modified);
  EncodeStamp(record, kLastSentOffset, lastSent);
  platform::PutU16Le(record, kKindOffset, kind);
  platform::PutU16Le(record, kFormatOffset, format);
  platform::PutU16Le(record, kCategoryOffset, category);
  platform::PutU16Le(record, kActionOffset, action);
  platform::PutU16Le(record, kPrivateOffset, isPrivate);
  platform::PutU16Le(record, kChangedOffset, changed);
  platform::PutU32Le(record, kSizeOffset, size);
  return record;
}

}  // namespace store
