// Shift-based encoding and decoding of integers and fixed text fields.
#include "bytes.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

bool FieldFits(size_t bufferSize, size_t offset, size_t size) {
  return offset <= bufferSize && size <= bufferSize - offset;
}

uint16_t DecodeU16Be(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint16_t DecodeU16Le(const uint8_t* p) {
  return static_cast<uint16_t>((p[1] << 8) | p[0]);
}

uint32_t DecodeU32Be(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t DecodeU32Le(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void EncodeU16Be(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void EncodeU16Le(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void EncodeU32Be(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

void EncodeU32Le(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Writes `text` into `field`, cut and padded as the terminator says.
void EncodeFixedText(uint8_t* field, size_t size, std::string_view text,
                     TextTerminator terminator) {
  if (size == 0) return;
  size_t room = terminator == TextTerminator::kAlways ? size - 1 : size;
  size_t length = std::min(text.size(), room);
  std::memcpy(field, text.data(), length);
  std::memset(field + length, 0, size - length);
}

}  // namespace

std::string FixedTextOf(ByteSpan field) {
  auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return std::string(field.begin(), end);
}

const uint8_t* ByteReader::Take(size_t size) {
  if (!m_ok || !FieldFits(m_data.size(), m_position, size)) {
    m_ok = false;
    return nullptr;
  }
  const uint8_t* p = m_data.data() + m_position;
  m_position += size;
  return p;
}

uint8_t ByteReader::U8() {
  const uint8_t* p = Take(1);
  return p ? p[0] : 0;
}

uint16_t ByteReader::U16Be() {
  const uint8_t* p = Take(2);
  return p ? DecodeU16Be(p) : 0;
}

uint32_t ByteReader::U32Be() {
  const uint8_t* p = Take(4);
  return p ? DecodeU32Be(p) : 0;
}

uint16_t ByteReader::U16Le() {
  const uint8_t* p = Take(2);
  return p ? DecodeU16Le(p) : 0;
}

uint32_t ByteReader::U32Le() {
  const uint8_t* p = Take(4);
  return p ? DecodeU32Le(p) : 0;
}

ByteSpan ByteReader::Bytes(size_t size) {
  const uint8_t* p = Take(size);
  return p ? ByteSpan(p, size) : ByteSpan();
}

std::string ByteReader::FixedText(size_t size) {
  return FixedTextOf(Bytes(size));
}

void ByteReader::Skip(size_t size) {
  Take(size);
}

void ByteReader::Seek(size_t offset) {
  if (!m_ok || offset > m_data.size()) {
    m_ok = false;
    return;
  }
  m_position = offset;
}

void ByteWriter::U8(uint8_t value) {
  m_bytes.push_back(value);
}

void ByteWriter::U16Be(uint16_t value) {
  uint8_t b[2];
  EncodeU16Be(b, value);
  m_bytes.insert(m_bytes.end(), b, b + 2);
}

void ByteWriter::U32Be(uint32_t value) {
  uint8_t b[4];
  EncodeU32Be(b, value);
  m_bytes.insert(m_bytes.end(), b, b + 4);
}

void ByteWriter::U16Le(uint16_t value) {
  uint8_t b[2];
  EncodeU16Le(b, value);
  m_bytes.insert(m_bytes.end(), b, b + 2);
}

void ByteWriter::U32Le(uint32_t value) {
  uint8_t b[4];
  EncodeU32Le(b, value);
  m_bytes.insert(m_bytes.end(), b, b + 4);
}

void ByteWriter::Bytes(ByteSpan bytes) {
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void ByteWriter::Zeros(size_t count) {
  m_bytes.insert(m_bytes.end(), count, 0);
}

void ByteWriter::FixedText(std::string_view text, size_t size, TextTerminator terminator) {
  size_t start = m_bytes.size();
  m_bytes.resize(start + size);
  EncodeFixedText(m_bytes.data() + start, size, text, terminator);
}

uint16_t GetU16Be(ByteSpan data, size_t offset) {
  return FieldFits(data.size(), offset, 2) ? DecodeU16Be(data.data() + offset) : 0;
}

uint32_t GetU32Be(ByteSpan data, size_t offset) {
  return FieldFits(data.size(), offset, 4) ? DecodeU32Be(data.data() + offset) : 0;
}

uint16_t GetU16Le(ByteSpan data, size_t offset) {
  return FieldFits(data.size(), offset, 2) ? DecodeU16Le(data.data() + offset) : 0;
}

uint32_t GetU32Le(ByteSpan data, size_t offset) {
  return FieldFits(data.size(), offset, 4) ? DecodeU32Le(data.data() + offset) : 0;
}

bool PutU16Be(MutableByteSpan data, size_t offset, uint16_t value) {
  if (!FieldFits(data.size(), offset, 2)) return false;
  EncodeU16Be(data.data() + offset, value);
  return true;
}

bool PutU32Be(MutableByteSpan data, size_t offset, uint32_t value) {
  if (!FieldFits(data.size(), offset, 4)) return false;
  EncodeU32Be(data.data() + offset, value);
  return true;
}

bool PutU16Le(MutableByteSpan data, size_t offset, uint16_t value) {
  if (!FieldFits(data.size(), offset, 2)) return false;
  EncodeU16Le(data.data() + offset, value);
  return true;
}

bool PutU32Le(MutableByteSpan data, size_t offset, uint32_t value) {
  if (!FieldFits(data.size(), offset, 4)) return false;
  EncodeU32Le(data.data() + offset, value);
  return true;
}

bool PutFixedText(MutableByteSpan data, size_t offset, size_t size, std::string_view text,
                  TextTerminator terminator) {
  if (!FieldFits(data.size(), offset, size)) return false;
  EncodeFixedText(data.data() + offset, size, text, terminator);
  return true;
}

std::string GetFixedText(ByteSpan data, size_t offset, size_t size) {
  if (!FieldFits(data.size(), offset, size)) return {};
  return FixedTextOf(data.subspan(offset, size));
}

uint32_t Crc32(ByteSpan data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace platform
