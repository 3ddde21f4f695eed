// Encoding and decoding of the handheld record layouts: the head of a
// "VlmrFilesDB" record, the "VlmrSearchDB" result records and application-info
// block, and the search-result stamp. All integers are big-endian and every
// field goes through the byte helpers, so a short record is never read past.
#include "handheld_records.h"  // records/

#include <algorithm>

#include "bytes/bytes.h"

namespace records {

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
  // A text field whose text is unchanged keeps its bytes, whatever follows
  // its NUL, so that a head read and written back is unchanged.
  const auto keeps = [&record](size_t offset, size_t size, const std::string& text) {
    return record.size() >= offset + size && platform::GetFixedText(record, offset, size) == text;
  };
  const bool keepTitle = keeps(file_record::kTitleOffset, file_record::kTitleSize, title);
  const bool keepPath =
      keeps(file_record::kSourcePathOffset, file_record::kSourcePathSize, sourcePath);
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
  const auto copy = [&](size_t from, size_t to) {
    std::copy(head.begin() + static_cast<std::ptrdiff_t>(from),
              head.begin() + static_cast<std::ptrdiff_t>(to),
              record.begin() + static_cast<std::ptrdiff_t>(from));
  };
  copy(0, file_record::kTitleOffset);
  if (!keepTitle) copy(file_record::kTitleOffset, file_record::kSourcePathOffset);
  if (!keepPath) copy(file_record::kSourcePathOffset, file_record::kCreatedOffset);
  copy(file_record::kCreatedOffset, file_record::kHeadSize);
}

std::vector<uint8_t> EncodeFileRecord(const HandheldFileHead& head,
                                      std::span<const uint8_t> content, size_t zeros) {
  std::vector<uint8_t> record(file_record::kHeadSize + content.size() + zeros, 0);
  head.EncodeInto(record);
  std::copy(content.begin(), content.end(),
            record.begin() + static_cast<std::ptrdiff_t>(file_record::kContentOffset));
  return record;
}

std::span<const uint8_t> FileRecordContent(std::span<const uint8_t> record) {
  return record.size() > file_record::kHeadSize ? record.subspan(file_record::kHeadSize)
                                                : std::span<const uint8_t>();
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

std::optional<RequestPreference> RequestPreference::Decode(std::span<const uint8_t> stored) {
  if (stored.size() < kSize) return std::nullopt;
  RequestPreference preference;
  std::copy_n(stored.begin(), kSize, preference.bytes.begin());
  return preference;
}

void RequestPreference::EncodeInto(std::vector<uint8_t>& stored) const {
  if (stored.size() < kSize) stored.resize(kSize, 0);
  std::copy(bytes.begin(), bytes.end(), stored.begin());
}

SearchAppInfo SearchAppInfo::FromBytes(std::span<const uint8_t> bytes) {
  SearchAppInfo info;
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), info.m_bytes.begin());
  return info;
}

void SearchAppInfo::EncodeInto(std::vector<uint8_t>& block) const {
  if (block.size() < kSize) block.resize(kSize, 0);
  std::copy(m_bytes.begin(), m_bytes.end(), block.begin());
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
  return static_cast<uint16_t>(WholeReceiveSelector() & 0xFFFFu);
}

uint32_t SearchAppInfo::WholeReceiveSelector() const {
  return platform::GetU32Be(m_bytes, kReceiveSelectorOffset);
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

}  // namespace records
