// Byte helpers: the one place where integers and fixed text fields are
// encoded into and decoded from byte layouts. Handheld layouts are
// big-endian, the PC's store is little-endian; nothing in the project casts
// a struct onto bytes.
//
// ByteReader walks a span with a cursor. A read past the end does not crash
// and does not read: it returns zero (or an empty text), and the reader
// remembers the failure, so a caller can decode a whole layout and then ask
// Ok() once.
//
// ByteWriter appends to a vector. The fixed-offset Put/Get functions work on
// a span the caller has already sized; they check the bounds too and report
// a miss by returning false or zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using ByteSpan = std::span<const uint8_t>;
using MutableByteSpan = std::span<uint8_t>;

// How a fixed-size text field ends when the text fills it.
enum class TextTerminator {
  kAlways,  // at most size - 1 characters, then at least one NUL
  kIfRoom,  // at most size characters; NUL padding only where room is left
};

// Text of a fixed field: up to its first NUL, or the whole field when it has
// no NUL.
std::string FixedTextOf(ByteSpan field);

class ByteReader {
 public:
  explicit ByteReader(ByteSpan data) : m_data(data) {}

  uint8_t U8();
  uint16_t U16Be();
  uint32_t U32Be();
  uint16_t U16Le();
  uint32_t U32Le();
  // The next `size` bytes; empty (and a failure) when fewer are left.
  ByteSpan Bytes(size_t size);
  // A fixed text field of `size` bytes (see FixedTextOf).
  std::string FixedText(size_t size);
  void Skip(size_t size);
  // Moves the cursor to an absolute offset; past the end is a failure.
  void Seek(size_t offset);

  bool Ok() const { return m_ok; }
  size_t Position() const { return m_position; }
  size_t Remaining() const { return m_ok ? m_data.size() - m_position : 0; }

 private:
  // The next `size` bytes if there are that many; advances the cursor.
  const uint8_t* Take(size_t size);

  ByteSpan m_data;
  size_t m_position = 0;
  bool m_ok = true;
};

class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(size_t reserve) { m_bytes.reserve(reserve); }

  void U8(uint8_t value);
  void U16Be(uint16_t value);
  void U32Be(uint32_t value);
  void U16Le(uint16_t value);
  void U32Le(uint32_t value);
  void Bytes(ByteSpan bytes);
  void Zeros(size_t count);
  // A text in a field of exactly `size` bytes, cut to fit, padded with NULs.
  void FixedText(std::string_view text, size_t size,
                 TextTerminator terminator = TextTerminator::kAlways);

  size_t Size() const { return m_bytes.size(); }
  const std::vector<uint8_t>& View() const { return m_bytes; }
  std::vector<uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<uint8_t> m_bytes;
};

// Fixed-offset access to a buffer whose layout the caller knows. Getters
// return 0 when the field lies outside the buffer; putters return false and
// write nothing.
uint16_t GetU16Be(ByteSpan data, size_t offset);
uint32_t GetU32Be(ByteSpan data, size_t offset);
uint16_t GetU16Le(ByteSpan data, size_t offset);
uint32_t GetU32Le(ByteSpan data, size_t offset);
bool PutU16Be(MutableByteSpan data, size_t offset, uint16_t value);
bool PutU32Be(MutableByteSpan data, size_t offset, uint32_t value);
bool PutU16Le(MutableByteSpan data, size_t offset, uint16_t value);
bool PutU32Le(MutableByteSpan data, size_t offset, uint32_t value);
// Writes a text into the field [offset, offset + size), cut and NUL-padded.
bool PutFixedText(MutableByteSpan data, size_t offset, size_t size, std::string_view text,
                  TextTerminator terminator = TextTerminator::kAlways);
// Text of the field [offset, offset + size); empty when outside the buffer.
std::string GetFixedText(ByteSpan data, size_t offset, size_t size);

// The CRC-32 of `data` (the polynomial of zip and PNG, 0xEDB88320 reflected).
uint32_t Crc32(ByteSpan data);

}  // namespace platform
