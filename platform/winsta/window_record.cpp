// Encoding and decoding of window records, message datagrams and window ids.
#include "window_record.h"

#include <cstdio>

namespace platform::winsta {
namespace {

constexpr std::string_view kRecordMagic = "WSTA";
constexpr size_t kSequenceDigits = 10;

void PutU64Le(ByteWriter& writer, uint64_t value) {
  writer.U32Le(static_cast<uint32_t>(value));
  writer.U32Le(static_cast<uint32_t>(value >> 32));
}

uint64_t GetU64Le(ByteReader& reader) {
  uint64_t low = reader.U32Le();
  uint64_t high = reader.U32Le();
  return low | (high << 32);
}

std::string Text(ByteSpan bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A decimal number of at most `maxDigits` digits that fits 32 bits.
std::optional<uint32_t> ParseDecimal(std::string_view text, size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeRecord(const WindowRecord& record) {
  if (record.className.size() > kMaxNameSize || record.title.size() > kMaxNameSize) {
    return std::nullopt;
  }
  ByteWriter writer(kRecordHeaderSize + 4 + record.className.size() + record.title.size());
  writer.FixedText(kRecordMagic, kRecordMagic.size(), TextTerminator::kIfRoom);
  writer.U32Le(record.sequence);
  writer.U32Le(record.pid);
  writer.U16Le(static_cast<uint16_t>(record.className.size()));
  writer.Bytes(
      ByteSpan(reinterpret_cast<const uint8_t*>(record.className.data()), record.className.size()));
  writer.U16Le(static_cast<uint16_t>(record.title.size()));
  writer.Bytes(
      ByteSpan(reinterpret_cast<const uint8_t*>(record.title.data()), record.title.size()));
  return writer.Take();
}

std::optional<WindowRecord> DecodeRecord(ByteSpan bytes) {
  ByteReader reader(bytes);
  if (reader.FixedText(kRecordMagic.size()) != kRecordMagic) return std::nullopt;
  WindowRecord record;
  record.sequence = reader.U32Le();
  record.pid = reader.U32Le();
  record.className = Text(reader.Bytes(reader.U16Le()));
  record.title = Text(reader.Bytes(reader.U16Le()));
  if (!reader.Ok() || reader.Remaining() != 0) return std::nullopt;
  return record;
}

std::vector<uint8_t> EncodeMessage(const Message& message) {
  ByteWriter writer(kMessageSize);
  writer.U32Le(message.message);
  PutU64Le(writer, message.wParam);
  PutU64Le(writer, static_cast<uint64_t>(message.lParam));
  return writer.Take();
}

std::optional<Message> DecodeMessage(ByteSpan bytes) {
  if (bytes.size() != kMessageSize) return std::nullopt;
  ByteReader reader(bytes);
  Message message;
  message.message = reader.U32Le();
  message.wParam = GetU64Le(reader);
  message.lParam = static_cast<int64_t>(GetU64Le(reader));
  if (!reader.Ok()) return std::nullopt;
  return message;
}

std::string MakeWindowId(uint32_t sequence, uint32_t pid) {
  char id[32];
  std::snprintf(id, sizeof id, "%010u-%u", sequence, pid);
  return id;
}

std::optional<std::pair<uint32_t, uint32_t>> ParseWindowId(std::string_view id) {
  if (id.size() <= kSequenceDigits + 1 || id[kSequenceDigits] != '-') return std::nullopt;
  auto sequence = ParseDecimal(id.substr(0, kSequenceDigits), kSequenceDigits);
  auto pid = ParseDecimal(id.substr(kSequenceDigits + 1), kSequenceDigits);
  if (!sequence || !pid) return std::nullopt;
  return std::make_pair(*sequence, *pid);
}

}  // namespace platform::winsta
