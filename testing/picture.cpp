// Pictures for the tests of the picture chain and the conduit's pictures.
#include "testing/picture.h"

#include <gtest/gtest.h>

#include "bytes/bytes.h"
#include "imaging.h"  // imaging/

namespace vlmtest {

Magick::Color Grey(int level) {
  const double share = level / 255.0;
  return Magick::ColorRGB(share, share, share);
}

Magick::Image PaintedPicture(size_t width, size_t height, const Painter& paint) {
  imaging::InitialiseImaging();
  Magick::Image image(Magick::Geometry(width, height), Magick::Color("white"));
  image.modifyImage();
  for (size_t row = 0; row < height; ++row) {
    for (size_t column = 0; column < width; ++column) {
      image.pixelColor(column, row, paint(row, column));
    }
  }
  return image;
}

std::vector<uint8_t> PictureBytes(Magick::Image& picture, const std::string& format) {
  picture.magick(format);
  Magick::Blob blob;
  picture.write(&blob);
  const auto* data = static_cast<const uint8_t*>(blob.data());
  return std::vector<uint8_t>(data, data + blob.length());
}

std::string JpegClaiming(uint16_t width, uint16_t height, bool progressive) {
  imaging::InitialiseImaging();
  Magick::Image image(Magick::Geometry(16, 16), Magick::Color("white"));
  image.interlaceType(progressive ? Magick::PlaneInterlace : Magick::NoInterlace);
  std::vector<uint8_t> bytes = PictureBytes(image, "JPEG");
  // Marker segments follow the start marker: 0xFF, a code, a big-endian
  // length. The frame header holds a precision byte, then height and width.
  constexpr uint8_t kBaselineFrame = 0xC0, kProgressiveFrame = 0xC2;
  for (size_t at = 2; at + 9 <= bytes.size(); at += 2 + platform::GetU16Be(bytes, at + 2)) {
    if (bytes[at + 1] == kBaselineFrame || bytes[at + 1] == kProgressiveFrame) {
      EXPECT_EQ(bytes[at + 1], progressive ? kProgressiveFrame : kBaselineFrame);
      platform::PutU16Be(bytes, at + 5, height);
      platform::PutU16Be(bytes, at + 7, width);
      return std::string(bytes.begin(), bytes.end());
    }
  }
  ADD_FAILURE() << "the JPEG has no frame header";
  return {};
}

}  // namespace vlmtest
