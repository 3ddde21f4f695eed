// Encoding and decoding of the handheld record layouts: the head of a
// "VlmrFilesDB" record, the "VlmrSearchDB" result records and application-info
// block, and the search-result stamp. All integers are big-endian and every
// field goes through the byte helpers, so a short record is never read past.
#include "records/handheld_records.h"

#include <algorithm>

#include "bytes/bytes.h"

namespace conduit {

namespace {

using platform::ByteReader;
using platform::ByteWriter;
using platform::TextTerminator;

store::HandheldDateTime ReadStamp(ByteReader& reader) {
  return store::HandheldDateTime::FromBytes(reader.Bytes(store::HandheldDateTime::kSize));
}

void WriteStamp(ByteWriter& writer, const store::HandheldDateTime& stamp) {
  writer.Bytes(stamp.bytes);
}

}  // namespace

std::optional<HandheldFileHead> HandheldFileHead::Decode(std::span<const uint8_t> record) {
  if (record.size() < file_record::kHeadSize) return std::nullopt;
  ByteReader reader(record.first(file_record::kHeadSize));
  HandheldFileHead head;
  head.fileId = reader.U16Be();
  head.title = reader.FixedText(file_record::kTitleSize);
  head.sourcePath = reader.FixedText(file_record::kSourcePathSize);
  head.created = ReadStamp(reader);
  head.modified = ReadStamp(reader);
  head.sent = ReadStamp(reader);
  head.depthCode = reader.U16Be();
  head.size = reader.U32Be();
  head.contentKind = reader.U8();
  if (!reader.Ok()) return std::nullopt;
  return head;
}

void HandheldFileHead::EncodeInto(std::vector<uint8_t>& record) const {
  ByteWriter writer(file_record::kHeadSize);
  writer.U16Be(fileId);
  writer.FixedText(title, file_record::kTitleSize);
  writer.FixedText(sourcePath, file_record::kSourcePathSize);
  WriteStamp(writer, created);
  WriteStamp(writer, modified);
  WriteStamp(writer, sent);
  writer.U16Be(depthCode);
  writer.U32Be(size);
  writer.U8(contentKind);
  const std::vector<uint8_t>& head = writer.View();
  if (record.size() < head.size()) record.resize(head.size());
  std::copy(head.begin(), head.end(), record.begin());
}

std::optional<SearchResult> SearchResult::Decode(std::span<const uint8_t> record) {
  if (record.size() < kSize) return std::nullopt;
  ByteReader reader(record.first(kSize));
  SearchResult result;
  result.selected = reader.U8();
  reader.Skip(1);
  result.path = reader.FixedText(kPathSize);
  result.created = ReadStamp(reader);
  result.modified = ReadStamp(reader);
  result.size = reader.U32Be();
  if (!reader.Ok()) return std::nullopt;
  return result;
}

std::vector<uint8_t> SearchResult::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(selected);
  writer.U8(0);
  writer.FixedText(path, kPathSize);
  WriteStamp(writer, created);
  WriteStamp(writer, modified);
  writer.U32Be(size);
  writer.Zeros(2);
  return writer.Take();
}

store::HandheldDateTime SearchResultStamp(time_t pcTime) {
  store::HandheldDateTime stamp = store::HandheldDateTime::FromPcTime(pcTime, false);
  if (!stamp.IsSet()) return stamp;
  // The century byte becomes the year rounded down to its century, kept to
  // one byte: 2000 gives 208, 1900 gives 108.
  const unsigned century = stamp.bytes[0];
  stamp.bytes[0] = static_cast<uint8_t>((century * 100u) % 256u);
  stamp.bytes[6] = 0;
  return stamp;
}

SearchAppInfo SearchAppInfo::FromBytes(std::span<const uint8_t> bytes) {
  SearchAppInfo info;
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), info.m_bytes.begin());
  return info;
}

std::string SearchAppInfo::SearchSpec() const {
  return platform::GetFixedText(m_bytes, kSearchSpecOffset, kSearchSpecSize);
}

std::string SearchAppInfo::SearchText() const {
  return platform::GetFixedText(m_bytes, kSearchTextOffset, kSearchTextSize);
}

std::string SearchAppInfo::LastSearchSpec() const {
  return platform::GetFixedText(m_bytes, kLastSearchSpecOffset, kLastSearchSpecSize);
}

void SearchAppInfo::SetLastSearchSpec(const std::string& spec) {
  platform::PutFixedText(m_bytes, kLastSearchSpecOffset, kLastSearchSpecSize, spec,
                         TextTerminator::kIfRoom);
}

std::string SearchAppInfo::FaxNumber() const {
  return platform::GetFixedText(m_bytes, kFaxNumberOffset, kAddressSize);
}

std::string SearchAppInfo::EmailAddress() const {
  return platform::GetFixedText(m_bytes, kEmailAddressOffset, kAddressSize);
}

std::string SearchAppInfo::ThirdText() const {
  return platform::GetFixedText(m_bytes, kThirdTextOffset, kAddressSize);
}

uint16_t SearchAppInfo::ReceiveSelector() const {
  return static_cast<uint16_t>(platform::GetU32Be(m_bytes, kReceiveSelectorOffset) & 0xFFFFu);
}

void SearchAppInfo::SetSearchSpec(const std::string& spec) {
  // The handheld fills the whole field when the spec is that long.
  platform::PutFixedText(m_bytes, kSearchSpecOffset, kSearchSpecSize, spec,
                         TextTerminator::kIfRoom);
}

void SearchAppInfo::SetSearchText(const std::string& text) {
  platform::PutFixedText(m_bytes, kSearchTextOffset, kSearchTextSize, text);
}

void SearchAppInfo::SetFaxNumber(const std::string& number) {
  platform::PutFixedText(m_bytes, kFaxNumberOffset, kAddressSize, number);
}

void SearchAppInfo::SetEmailAddress(const std::string& address) {
  platform::PutFixedText(m_bytes, kEmailAddressOffset, kAddressSize, address);
}

void SearchAppInfo::SetThirdText(const std::string& text) {
  platform::PutFixedText(m_bytes, kThirdTextOffset, kAddressSize, text);
}

void SearchAppInfo::SetReceiveSelector(uint32_t selector) {
  platform::PutU32Be(m_bytes, kReceiveSelectorOffset, selector);
}

}  // namespace conduit
