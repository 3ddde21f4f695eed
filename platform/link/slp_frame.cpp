// Encoding SLP frames and finding them again in a stream of serial bytes.
#include "link/slp_frame.h"

#include <algorithm>

#include "bytes/bytes.h"

namespace platform::link {

namespace {

constexpr size_t kLengthOffset = 6;

uint8_t HeaderCheck(std::span<const uint8_t> header) {
  unsigned sum = 0;
  for (uint8_t byte : header.first(kSlpChecksummedHeaderSize)) sum += byte;
  return static_cast<uint8_t>(sum);
}

// The fields of a frame whose header check and CRC were found good; the
// span ends before the CRC.
SlpFrame DecodeCheckedFrame(std::span<const uint8_t> frame) {
  ByteReader reader(frame);
  reader.Skip(kSlpSignature.size());
  SlpFrame decoded;
  decoded.destination = reader.U8();
  decoded.source = reader.U8();
  decoded.type = reader.U8();
  const uint16_t bodySize = reader.U16Be();
  decoded.transaction = reader.U8();
  reader.Skip(1);  // header check
  const ByteSpan body = reader.Bytes(bodySize);
  decoded.body.assign(body.begin(), body.end());
  return decoded;
}

}  // namespace

uint16_t SlpCrc16(std::span<const uint8_t> bytes, uint16_t crc) {
  for (uint8_t byte : bytes) {
    crc = static_cast<uint16_t>(crc ^ (uint16_t{byte} << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

std::vector<uint8_t> SlpFrame::Encode() const {
  ByteWriter writer(kSlpHeaderSize + body.size() + kSlpCrcSize);
  writer.Bytes(kSlpSignature);
  writer.U8(destination);
  writer.U8(source);
  writer.U8(type);
  writer.U16Be(static_cast<uint16_t>(body.size()));
  writer.U8(transaction);
  writer.U8(HeaderCheck(writer.View()));
  writer.Bytes(body);
  writer.U16Be(SlpCrc16(writer.View()));
  return writer.Take();
}

void SlpReader::Feed(std::span<const uint8_t> bytes) {
  // Bytes already handed out are dropped once they make up half the buffer,
  // so a long session neither grows the buffer nor copies it at every frame.
  if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<ptrdiff_t>(m_start));
    m_start = 0;
  }
  m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

void SlpReader::Consume(size_t count) {
  m_start += count;
}

void SlpReader::DropOneByte() {
  Consume(1);
  ++m_skipped.strayBytes;
}

bool SlpReader::SkipToSignature() {
  const auto begin = m_buffer.begin() + static_cast<ptrdiff_t>(m_start);
  auto found = std::search(begin, m_buffer.end(), kSlpSignature.begin(), kSlpSignature.end());
  if (found == m_buffer.end()) {
    // Keep a tail that may be the signature's start, as a lone "BE" read is.
    const size_t held = m_buffer.end() - begin;
    size_t keep = std::min<size_t>(held, kSlpSignature.size() - 1);
    while (keep > 0 && !std::equal(m_buffer.end() - static_cast<ptrdiff_t>(keep), m_buffer.end(),
                                   kSlpSignature.begin())) {
      --keep;
    }
    m_skipped.strayBytes += held - keep;
    Consume(held - keep);
    return false;
  }
  const size_t stray = static_cast<size_t>(found - begin);
  m_skipped.strayBytes += stray;
  Consume(stray);
  return true;
}

std::optional<SlpFrame> SlpReader::Next() {
  while (SkipToSignature()) {
    const std::span<const uint8_t> held = std::span(m_buffer).subspan(m_start);
    if (held.size() < kSlpHeaderSize) return std::nullopt;
    if (HeaderCheck(held) != held[kSlpChecksummedHeaderSize]) {
      ++m_skipped.badHeaders;
      DropOneByte();
      continue;
    }
    const size_t bodySize = GetU16Be(held, kLengthOffset);
    const size_t frameSize = kSlpHeaderSize + bodySize + kSlpCrcSize;
    if (held.size() < frameSize) return std::nullopt;
    const size_t crcOffset = kSlpHeaderSize + bodySize;
    if (SlpCrc16(held.first(crcOffset)) != GetU16Be(held, crcOffset)) {
      ++m_skipped.badCrcs;
      DropOneByte();
      continue;
    }
    SlpFrame frame = DecodeCheckedFrame(held.first(crcOffset));
    Consume(frameSize);
    if (frame.type == kSlpTypeLoopback) {
      ++m_skipped.loopbacks;
      continue;
    }
    return frame;
  }
  return std::nullopt;
}

}  // namespace platform::link
