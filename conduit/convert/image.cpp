// Picture files to bitmap records. The file is read whole, the imaging
// room makes the handheld bitmap at the depth the handheld asked for
// (picture_to_bitmap.h), and the bitmap is packed into a bitmap record
// (content kind 2). A picture that cannot be decoded is status 12, after
// which the dispatcher sends it in PC format.
#include <algorithm>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "handheld_bitmap.h"    // records/
#include "picture_to_bitmap.h"  // imaging/
#include "request_preference_buffer.h"
#include "sync_log.h"

namespace conduit {
namespace {

// Pictures are read whole; one larger than this is no picture to send.
constexpr size_t kMaxPictureFileBytes = size_t{64} << 20;

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
    const records::bitmap::Depth depth = records::bitmap::DepthForImageMode(imageMode);
    platform::Result<std::vector<uint8_t>> bitmap =
        imaging::PictureToBitmap(bytes, UpperExtension(path), depth, LogWarning);
    if (!bitmap) return NotLoaded(bitmap.Reason());
    return ConversionResult{BuildBitmapRecord(path, file, bitmap.Value(), depth), kConvOk, {}, {}};
  });
}

ConversionResult ConvertImage(const std::string& path) {
  return ConvertImageAtMode(path, CurrentImageMode());
}

}  // namespace conduit
