// Packing and unpacking of handheld bitmaps: the 16-byte header, the pixel
// rows in 2, 4 or 8 bits, and the 8-bit colour table.
#include "handheld_bitmap.h"  // records/

#include "bytes/bytes.h"

namespace records::bitmap {
namespace {

constexpr int PixelsPerByte(const Depth& depth) {
  return 8 / depth.bitsPerPixel;
}

// What the PC shows for each 2-bit value, from white to black.
constexpr uint8_t kTwoBitGreys[] = {255, 200, 100, 0};
constexpr int kFourBitStep = 17;

void WriteHeader(platform::ByteWriter& writer, const Depth& depth) {
  writer.U16Be(kSide);
  writer.U16Be(kSide);
  writer.U16Be(depth.rowBytes);
  writer.U16Be(0);  // flags
  writer.U8(static_cast<uint8_t>(depth.bitsPerPixel));
  writer.U8(depth.version);
  writer.U16Be(0);  // next-depth offset
  writer.U32Be(0);  // reserved
}

}  // namespace

Depth DepthForImageMode(uint8_t imageMode) {
  if (imageMode == 2) return kFourBit;
  if (imageMode == 3) return kEightBit;
  return kTwoBit;
}

std::optional<Depth> DepthOfBitmap(std::span<const uint8_t> content) {
  constexpr size_t kRowBytesOffset = 4;
  constexpr size_t kPixelSizeOffset = 8;
  if (content.size() < kHeaderSize || platform::GetU16Be(content, 0) != kSide ||
      platform::GetU16Be(content, 2) != kSide) {
    return std::nullopt;
  }
  for (const Depth& depth : {kTwoBit, kFourBit, kEightBit}) {
    if (content[kPixelSizeOffset] == depth.bitsPerPixel &&
        platform::GetU16Be(content, kRowBytesOffset) == depth.rowBytes &&
        content.size() >= depth.ContentSize()) {
      return depth;
    }
  }
  return std::nullopt;
}

Depth DepthForCode(uint16_t code) {
  if (code == kFourBit.code) return kFourBit;
  if (code == kEightBit.code) return kEightBit;
  return kTwoBit;
}

std::vector<uint8_t> EncodeBitmap(const Depth& depth, std::span<const uint8_t> values,
                                  const ColourTable& colours) {
  platform::ByteWriter writer(depth.ContentSize());
  WriteHeader(writer, depth);
  std::vector<uint8_t> pixels(size_t{depth.rowBytes} * kSide, 0);
  const int perByte = PixelsPerByte(depth);
  const auto mask = static_cast<uint8_t>(depth.MaxValue());
  for (size_t i = 0; i < kPixelCount && i < values.size(); ++i) {
    const size_t row = i / kSide;
    const size_t column = i % kSide;
    const int shift = depth.bitsPerPixel * (perByte - 1 - static_cast<int>(column) % perByte);
    pixels[row * depth.rowBytes + column / perByte] |=
        static_cast<uint8_t>((values[i] & mask) << shift);
  }
  writer.Bytes(pixels);
  if (depth.hasColourTable) {
    for (size_t i = 0; i < kColourCount; ++i) {
      writer.U8(static_cast<uint8_t>(i));
      writer.U8(colours[i].red);
      writer.U8(colours[i].green);
      writer.U8(colours[i].blue);
    }
  }
  return writer.Take();
}

uint8_t PixelValue(std::span<const uint8_t> content, const Depth& depth, int row, int column) {
  const int perByte = PixelsPerByte(depth);
  const uint8_t byte =
      content[kHeaderSize + size_t(row) * depth.rowBytes + size_t(column / perByte)];
  const int shift = depth.bitsPerPixel * (perByte - 1 - column % perByte);
  return static_cast<uint8_t>((byte >> shift) & depth.MaxValue());
}

std::optional<std::vector<Rgb>> DecodeBitmap(std::span<const uint8_t> content, const Depth& depth) {
  if (content.size() < depth.ContentSize()) return std::nullopt;
  std::vector<Rgb> colours(kPixelCount);
  for (int row = 0; row < kSide; ++row) {
    for (int column = 0; column < kSide; ++column) {
      const uint8_t value = PixelValue(content, depth, row, column);
      Rgb& out = colours[size_t(row) * kSide + size_t(column)];
      if (depth.hasColourTable) {
        // The entry's first byte is its index, which is not consulted.
        const size_t entry = kColourTableOffset + size_t{value} * kColourEntrySize;
        out = Rgb{content[entry + 1], content[entry + 2], content[entry + 3]};
      } else {
        const uint8_t grey = depth.bitsPerPixel == 2
                                 ? kTwoBitGreys[value]
                                 : static_cast<uint8_t>(255 - kFourBitStep * value);
        out = Rgb{grey, grey, grey};
      }
    }
  }
  return colours;
}

}  // namespace records::bitmap
