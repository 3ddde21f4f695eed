// Test support: pictures made through the imaging library, painted pixel by
// pixel, and small JPEGs whose header claims a size they do not hold.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vlmtest {

using Painter = std::function<Magick::Color(size_t row, size_t column)>;

// The grey of `level`, 0 (black) to 255 (white).
Magick::Color Grey(int level);

// A white picture of `width` x `height` with each pixel set by `paint`; the
// imaging library is started with its limits first.
Magick::Image PaintedPicture(size_t width, size_t height, const Painter& paint);

// `picture` saved in `format` ("PNG", "BMP", "JPEG", ...).
std::vector<uint8_t> PictureBytes(Magick::Image& picture, const std::string& format);

// A 16 x 16 JPEG, progressive or baseline, whose frame header is then made
// to claim `width` x `height`: a few hundred bytes that stand for a picture
// that large, as a hostile file would.
std::string JpegClaiming(uint16_t width, uint16_t height, bool progressive);

}  // namespace vlmtest
