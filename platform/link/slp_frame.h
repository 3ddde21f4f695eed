// The frames of the serial link's lowest layer. Every byte a handheld sends
// over a serial line (or a USB or emulator port that behaves like one)
// arrives in one of these:
//
//   offset size field
//        0    3 signature      BE EF ED
//        3    1 destination    socket; DLP travels between sockets 3 and 3
//        4    1 source         socket
//        5    1 type           2 PADP, 3 loopback (the handheld probing the line)
//        6    2 body length    big-endian
//        8    1 transaction id
//        9    1 header check   sum of bytes 0-8, modulo 256
//       10    n body
//     10+n    2 CRC-16         over header and body, big-endian
//
// SlpReader takes the bytes as the line delivers them, in chunks of any
// size, and hands out the good frames; what it drops it counts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::link {

constexpr std::array<uint8_t, 3> kSlpSignature = {0xBE, 0xEF, 0xED};
constexpr size_t kSlpHeaderSize = 3 + 1 + 1 + 1 + 2 + 1 + 1;
constexpr size_t kSlpChecksummedHeaderSize = kSlpHeaderSize - 1;
constexpr size_t kSlpCrcSize = 2;

constexpr uint8_t kSlpDlpSocket = 3;
constexpr uint8_t kSlpTypePadp = 2;
constexpr uint8_t kSlpTypeLoopback = 3;

// CRC-16 with polynomial 0x1021, starting from `crc`, not reflected, no
// final XOR.
uint16_t SlpCrc16(std::span<const uint8_t> bytes, uint16_t crc = 0);

struct SlpFrame {
  uint8_t destination = kSlpDlpSocket;
  uint8_t source = kSlpDlpSocket;
  uint8_t type = kSlpTypePadp;
  uint8_t transaction = 0;
  std::vector<uint8_t> body;  // at most 65,535 bytes

  // The whole frame, signature to CRC.
  std::vector<uint8_t> Encode() const;
};

// What a reader dropped, so that nothing is lost without a trace.
struct SlpSkipped {
  size_t strayBytes = 0;  // bytes outside good frames, damaged frames' included
  size_t badHeaders = 0;  // frames whose header check failed
  size_t badCrcs = 0;     // frames whose CRC failed
  size_t loopbacks = 0;   // good loopback frames, which carry nothing for DLP

  size_t Frames() const { return badHeaders + badCrcs + loopbacks; }
};

class SlpReader {
 public:
  // Adds the bytes as they arrived.
  void Feed(std::span<const uint8_t> bytes);
  // The next good frame that is not a loopback, or nothing until more bytes
  // arrive. After a damaged frame the reader looks for the next signature
  // from the byte after the damaged one's, so a frame hidden by a corrupted
  // length is still found.
  std::optional<SlpFrame> Next();

  const SlpSkipped& Skipped() const { return m_skipped; }
  // Bytes held that do not yet make a whole frame.
  size_t Pending() const { return m_buffer.size() - m_start; }

 private:
  // Skips to the next signature (or a prefix of one at the end); false when
  // none has arrived yet.
  bool SkipToSignature();
  // Drops the first byte of a frame that turned out damaged.
  void DropOneByte();
  void Consume(size_t count);

  std::vector<uint8_t> m_buffer;
  size_t m_start = 0;
  SlpSkipped m_skipped;
};

}  // namespace platform::link
