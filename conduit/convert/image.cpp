// Pictures to handheld bitmaps. The picture is decoded (upright, as its
// file says), scaled to fit 160 pixels on its longer side, centred on a
// black 160 x 160 canvas, reduced to the depth the handheld asked for and
// packed into a bitmap record (content kind 2). A picture that cannot be
// decoded is status 12, after which the dispatcher sends it in PC format.
#include <algorithm>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/imaging.h"
#include "convert/picture_canvas.h"
#include "convert/picture_reduction.h"
#include "convert/record_writer.h"
#include "handheld_bitmap.h"  // records/
#include "request_preference_buffer.h"

namespace conduit {
namespace {

// Pictures are read whole; one larger than this is no picture to send.
constexpr size_t kMaxPictureFileBytes = size_t{64} << 20;
// JPEG photos decode at the smallest scale their decoder offers that keeps
// at least this many pixels on either side; the filtered scaling then works
// from a picture a few times the screen's size instead of the whole photo.
constexpr int kDecodeSizeHint = records::bitmap::kSide;

std::vector<uint8_t> BuildBitmap(Magick::Image& canvas, const records::bitmap::Depth& depth) {
  if (depth.hasColourTable) {
    records::bitmap::ColourTable colours;
    const std::vector<uint8_t> indexes = imaging::ReduceToColours(canvas, colours);
    return records::bitmap::EncodeBitmap(depth, indexes, colours);
  }
  return records::bitmap::EncodeBitmap(depth,
                                       imaging::ReduceToGreys(imaging::CanvasBytes(canvas), depth));
}

std::vector<uint8_t> BuildBitmapRecord(const std::string& path, const FileContents& file,
                                       const std::vector<uint8_t>& bitmap,
                                       const records::bitmap::Depth& depth) {
  records::HandheldFileHead head = NewHead(path, {}, records::kContentBitmap);
  head.created = HeadStamp(file.creationTime);
  head.modified = HeadStamp(file.lastWriteTime);
  head.depthCode = depth.code;
  head.size = static_cast<uint32_t>(bitmap.size());
  return records::EncodeFileRecord(head, bitmap, records::file_record::kPictureZeros);
}

// The extension of the path's file name, upper case, without its dot.
std::string UpperExtension(const std::string& path) {
  const std::string name = FileNameOfPath(path);
  const size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return extension;
}

ConversionResult NotLoaded(std::string why) {
  return ConversionResult{std::nullopt, kConvPictureNotLoaded, std::move(why), {}};
}

}  // namespace

ConversionResult ConvertImageAtMode(const std::string& path, uint8_t imageMode) {
  return CatchNoMemory([&] {
    FileContents file = ReadFileForConversion(path, kMaxPictureFileBytes);
    if (file.status != kConvOk) return UnreadFile(file);
    if (file.cut) return NotLoaded("the picture file is larger than 64 MiB");
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.bytes.data()),
                                         file.bytes.size());
    std::string why;
    std::optional<Magick::Image> picture =
        imaging::DecodePicture(bytes, UpperExtension(path), kDecodeSizeHint, why);
    if (!picture) return NotLoaded(why);
    const records::bitmap::Depth depth = records::bitmap::DepthForImageMode(imageMode);
    std::vector<uint8_t> bitmap;
    try {
      Magick::Image canvas = imaging::PlaceOnCanvas(*picture);
      bitmap = BuildBitmap(canvas, depth);
    } catch (const Magick::Exception& error) {
      return NotLoaded("the picture could not be scaled (" + imaging::PlainReason(error) + ")");
    }
    return ConversionResult{BuildBitmapRecord(path, file, bitmap, depth), kConvOk, {}, {}};
  });
}

ConversionResult ConvertImage(const std::string& path) {
  return ConvertImageAtMode(path, CurrentImageMode());
}

}  // namespace conduit
