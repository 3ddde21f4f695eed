// HandheldBitmap: the content of a picture record of "VlmrFilesDB", a
// 160 x 160 bitmap in 2, 4 or 8 bits per pixel. Integers are big-endian.
//
//   offset size
//        0    2 width             160
//        2    2 height            160
//        4    2 row bytes         40, 80 or 160
//        6    2 flags             0
//        8    1 pixel size        2, 4 or 8
//        9    1 version           1, 1 or 2
//       10    2 next-depth offset 0
//       12    4 reserved          0
//       16  160 x row bytes       pixels, top row first; within a byte the
//                                 leftmost pixel is in the highest bits
//    25616 1024 colour table      8 bits only: 256 x (index, red, green, blue)
//
// Grey values run from 0 (white) to 3 or 15 (black). The record's depth code
// (1, 2 or 3) names the depth; every other code reads as 2 bits per pixel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace records::bitmap {

constexpr int kSide = 160;
constexpr size_t kPixelCount = size_t{kSide} * kSide;
constexpr size_t kHeaderSize = 16;
constexpr size_t kColourTableOffset = kHeaderSize + kPixelCount;  // 25,616
constexpr size_t kColourCount = 256;
constexpr size_t kColourEntrySize = 4;

struct Depth {
  uint16_t code;  // the record's depth code
  int bitsPerPixel;
  uint16_t rowBytes;
  uint8_t version;
  bool hasColourTable;

  int MaxValue() const { return (1 << bitsPerPixel) - 1; }
  // Header, pixels and (8 bits) the colour table: 6,416, 12,816 or 26,640.
  size_t ContentSize() const {
    return kHeaderSize + size_t{rowBytes} * kSide +
           (hasColourTable ? kColourCount * kColourEntrySize : 0);
  }
};

constexpr Depth kTwoBit{1, 2, 40, 1, false};
constexpr Depth kFourBit{2, 4, 80, 1, false};
constexpr Depth kEightBit{3, 8, 160, 2, true};

// The depth the handheld's imageMode asks for: 2 is 16 greys, 3 is 256
// colours, every other value 4 greys.
Depth DepthForImageMode(uint8_t imageMode);
// The depth a record's depth code names; any code but 2 and 3 is 2 bits.
Depth DepthForCode(uint16_t code);

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
using ColourTable = std::array<Rgb, kColourCount>;

// The depth of a whole bitmap: a header for 160 x 160 pixels of 2, 4 or 8
// bits with the row bytes of that depth, and all the bytes the depth needs.
// Nothing for any other bytes.
std::optional<Depth> DepthOfBitmap(std::span<const uint8_t> content);

// The bitmap of `values` (kPixelCount of them, row by row from the top,
// each 0 to depth.MaxValue()); `colours` fills the 8-bit colour table.
std::vector<uint8_t> EncodeBitmap(const Depth& depth, std::span<const uint8_t> values,
                                  const ColourTable& colours = {});

// The value of pixel (row, column) of a bitmap content; the caller has
// checked that the content holds depth.ContentSize() bytes.
uint8_t PixelValue(std::span<const uint8_t> content, const Depth& depth, int row, int column);

// The colours of a bitmap content as the PC shows them, kPixelCount pixels
// row by row from the top: greys from white (0) to black (the highest
// value; the 2-bit greys are 255, 200, 100 and 0), 8 bits through the
// colour table. Nothing when the content is shorter than its depth needs.
std::optional<std::vector<Rgb>> DecodeBitmap(std::span<const uint8_t> content, const Depth& depth);

}  // namespace records::bitmap
