// Scaling a picture to the handheld's screen and centring it on black.
#include "picture_canvas.h"

#include <algorithm>
#include <cmath>

#include "handheld_bitmap.h"  // records/

namespace imaging {
namespace {

constexpr size_t kSide = records::bitmap::kSide;

}  // namespace

TargetSize FitToScreen(size_t width, size_t height) {
  auto scaled = [](size_t along, size_t longer) {
    const double exact =
        static_cast<double>(kSide) / static_cast<double>(longer) * static_cast<double>(along);
    return std::max<size_t>(1, static_cast<size_t>(std::trunc(exact)));
  };
  if (width > height) return {kSide, scaled(height, width)};
  return {scaled(width, height), kSide};
}

Magick::Image PlaceOnCanvas(Magick::Image& picture) {
  const TargetSize target = FitToScreen(picture.columns(), picture.rows());
  Magick::Geometry size(target.width, target.height);
  size.aspect(true);  // exactly this size
  // Large pictures are first sampled down cheaply, then filtered.
  picture.thumbnail(size);
  Magick::Image canvas(Magick::Geometry(kSide, kSide), Magick::Color(0, 0, 0));
  canvas.composite(picture, static_cast<ssize_t>((kSide - target.width) / 2),
                   static_cast<ssize_t>((kSide - target.height) / 2), Magick::OverCompositeOp);
  canvas.matte(false);
  return canvas;
}

std::vector<uint8_t> CanvasBytes(Magick::Image& canvas) {
  std::vector<uint8_t> rgb(records::bitmap::kPixelCount * 3);
  canvas.write(0, 0, kSide, kSide, "RGB", Magick::CharPixel, rgb.data());
  return rgb;
}

}  // namespace imaging
