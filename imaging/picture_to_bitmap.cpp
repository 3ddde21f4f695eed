// The picture chain from a picture's bytes to the bitmap of a picture record:
// decoding (imaging.h), the canvas (picture_canvas.h) and the reduction to
// the handheld's depth (picture_reduction.h).
#include "picture_to_bitmap.h"

#include <new>
#include <utility>

#include "picture_canvas.h"
#include "picture_reduction.h"

namespace imaging {
namespace {

// JPEG photos decode at the smallest scale their decoder offers that keeps
// at least this many pixels on either side; the filtered scaling then works
// from a picture a few times the screen's size instead of the whole photo.
constexpr int kDecodeSizeHint = records::bitmap::kSide;

std::vector<uint8_t> BuildBitmap(Magick::Image& canvas, const records::bitmap::Depth& depth) {
  if (depth.hasColourTable) {
    records::bitmap::ColourTable colours;
    const std::vector<uint8_t> indexes = ReduceToColours(canvas, colours);
    return records::bitmap::EncodeBitmap(depth, indexes, colours);
  }
  return records::bitmap::EncodeBitmap(depth, ReduceToGreys(CanvasBytes(canvas), depth));
}

platform::Result<std::vector<uint8_t>> ReduceToBitmap(Magick::Image& picture,
                                                      const records::bitmap::Depth& depth) {
  try {
    Magick::Image canvas = PlaceOnCanvas(picture);
    return BuildBitmap(canvas, depth);
  } catch (const Magick::Exception& error) {
    return platform::Failure{"the picture could not be scaled (" + PlainReason(error) + ")"};
  }
}

}  // namespace

platform::Result<std::vector<uint8_t>> PictureToBitmap(std::span<const uint8_t> bytes,
                                                       std::string_view extension,
                                                       const records::bitmap::Depth& depth,
                                                       WarningSink warn) {
  try {
    InitialiseImaging(warn);
    platform::Result<Magick::Image> picture = DecodePicture(bytes, extension, kDecodeSizeHint);
    if (!picture) return platform::Failure{picture.Reason()};
    return ReduceToBitmap(picture.Value(), depth);
  } catch (const std::bad_alloc&) {
    return platform::Failure{"there was not enough memory"};
  }
}

}  // namespace imaging
