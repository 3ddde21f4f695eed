// The 160 x 160 canvas of a picture: the picture scaled to fit the
// handheld's screen on its longer side and centred on black.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

struct TargetSize {
  size_t width;
  size_t height;
};

// 160 on the longer side (a square counts as tall), the other side
// trunc(160 / longer x shorter); never below one pixel, so that a picture
// of one row still shows.
TargetSize FitToScreen(size_t width, size_t height);

// `picture` scaled to FitToScreen and placed at ((160 - width) / 2,
// (160 - height) / 2) on black; transparent parts show the black.
Magick::Image PlaceOnCanvas(Magick::Image& picture);

// The canvas's red, green and blue bytes, row by row from the top.
std::vector<uint8_t> CanvasBytes(Magick::Image& canvas);

}  // namespace imaging
