// A bitmap record shown on the PC: its 160 x 160 pixels in the colours the
// conduit gives them when it receives the record, saved as a PNG picture
// that any viewer opens.
#include <Magick++.h>

#include "handheld/companion.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/

namespace handheld {

std::optional<std::vector<uint8_t>> BitmapRecordAsPng(const std::vector<uint8_t>& record,
                                                      std::string& why) {
  namespace bitmap = records::bitmap;
  const auto head = records::HandheldFileHead::Decode(record);
  if (!head || head->contentKind != records::kContentBitmap) {
    why = "it is not a bitmap record";
    return std::nullopt;
  }
  const bitmap::Depth depth = bitmap::DepthForCode(head->depthCode);
  const auto colours = bitmap::DecodeBitmap(records::FileRecordContent(record), depth);
  if (!colours) {
    why = "its bitmap is shorter than its depth needs";
    return std::nullopt;
  }
  std::vector<uint8_t> rgb;
  rgb.reserve(colours->size() * 3);
  for (const bitmap::Rgb& colour : *colours)
    rgb.insert(rgb.end(), {colour.red, colour.green, colour.blue});
  try {
    Magick::InitializeMagick(nullptr);
    Magick::Image picture;
    picture.read(bitmap::kSide, bitmap::kSide, "RGB", Magick::CharPixel, rgb.data());
    picture.magick("PNG");
    Magick::Blob png;
    picture.write(&png);
    const auto* bytes = static_cast<const uint8_t*>(png.data());
    return std::vector<uint8_t>(bytes, bytes + png.length());
  } catch (const Magick::Exception& error) {
    why = std::string("the PNG could not be made: ") + error.what();
    return std::nullopt;
  }
}

}  // namespace handheld
