// Picture files to bitmap records, on pictures made here: the record and
// the exact bytes of each depth the handheld asks for, and the pictures
// that must be refused (status 12) quickly. The picture chain itself is
// tested in imaging/.
#include <Magick++.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "bytes/bytes.h"
#include "convert/convert.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/picture.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::HeadOf;
using vlmtest::ScopedEnv;
using vlmtest::TempFolder;
using vlmtest::WriteFile;
using vlmtest::Grey;
using vlmtest::JpegClaiming;

constexpr int kSide = records::bitmap::kSide;

// A picture of `width` x `height` painted pixel by pixel, saved as `name`
// in the format its extension names.
std::string MakePicture(const TempFolder& folder, const std::string& name, size_t width,
                        size_t height, const vlmtest::Painter& paint) {
  Magick::Image image = vlmtest::PaintedPicture(width, height, paint);
  const std::string path = folder / name;
  image.write(path);
  return path;
}

std::vector<uint8_t> Convert(const std::string& path, uint8_t imageMode) {
  ConversionResult result = ConvertImageAtMode(path, imageMode);
  EXPECT_EQ(result.status, kConvOk) << result.failure;
  return result.record.value_or(std::vector<uint8_t>{});
}

std::span<const uint8_t> ContentSpan(const std::vector<uint8_t>& record) {
  return std::span(record).subspan(records::file_record::kContentOffset);
}

struct DepthCase {
  uint8_t imageMode;
  uint16_t depthCode;
  size_t recordSize;
  uint8_t pixelSize, version;
  std::vector<uint8_t> rowBytes;  // the first bytes of every row
};

class ImageDepthTest : public ::testing::TestWithParam<DepthCase> {};

// Columns of 0, 100, 200, 255 in turn pack as 0xE4 in 2 bits; black and
// white in turn as 0xF0 in 4 bits; the head and header follow the depth.
TEST_P(ImageDepthTest, PacksTheGreysOfEachDepthByteForByte) {
  const DepthCase c = GetParam();
  TempFolder folder;
  const bool fourBit = c.depthCode == 2;
  const std::string path = MakePicture(folder, "bands.bmp", kSide, kSide, [&](size_t, size_t x) {
    static constexpr int kTwoBitGreys[] = {0, 100, 200, 255};
    return Grey(fourBit ? (x % 2 == 0 ? 0 : 255) : kTwoBitGreys[x % 4]);
  });
  const std::vector<uint8_t> record = Convert(path, c.imageMode);
  ASSERT_EQ(record.size(), c.recordSize);
  EXPECT_EQ(HeadOf(record).depthCode, c.depthCode);
  EXPECT_EQ(HeadOf(record).contentKind, records::kContentBitmap);
  EXPECT_EQ(HeadOf(record).size, c.recordSize - 202);
  EXPECT_EQ(HeadOf(record).title, "bands.bmp");
  const std::span<const uint8_t> content = ContentSpan(record);
  const std::vector<uint8_t> header(content.begin(), content.begin() + 16);
  const uint8_t rowBytes = static_cast<uint8_t>(kSide * c.pixelSize / 8);
  EXPECT_EQ(header, (std::vector<uint8_t>{0, 160, 0, 160, 0, rowBytes, 0, 0, c.pixelSize, c.version,
                                          0, 0, 0, 0, 0, 0}));
  for (int row = 0; row < kSide; ++row) {
    const auto first = content.begin() + 16 + row * rowBytes;
    ASSERT_EQ(std::vector<uint8_t>(first, first + 4), c.rowBytes) << "row " << row;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, ImageDepthTest,
                         ::testing::Values(DepthCase{0, 1, 6618, 2, 1, {0xE4, 0xE4, 0xE4, 0xE4}},
                                           DepthCase{1, 1, 6618, 2, 1, {0xE4, 0xE4, 0xE4, 0xE4}},
                                           DepthCase{9, 1, 6618, 2, 1, {0xE4, 0xE4, 0xE4, 0xE4}},
                                           DepthCase{2, 2, 13018, 4, 1, {0xF0, 0xF0, 0xF0, 0xF0}}));

// A PNG header that claims 100,000 x 100,000 pixels over a few bytes of
// data; chunk checksums are right, so only the size can refuse it.
std::string DecompressionBomb() {
  auto crc32 = [](const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
      crc ^= byte;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
  };
  auto chunk = [&](const std::string& type, const std::string& data) {
    platform::ByteWriter writer;
    writer.U32Be(static_cast<uint32_t>(data.size()));
    const std::string typed = type + data;
    writer.Bytes(std::span(reinterpret_cast<const uint8_t*>(typed.data()), typed.size()));
    writer.U32Be(crc32(typed));
    const std::vector<uint8_t> bytes = writer.Take();
    return std::string(bytes.begin(), bytes.end());
  };
  platform::ByteWriter header;
  header.U32Be(100000);
  header.U32Be(100000);
  header.Bytes(std::vector<uint8_t>{8, 2, 0, 0, 0});  // 8-bit RGB
  const std::vector<uint8_t> ihdr = header.Take();
  const std::string idat("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);  // a zlib stream
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         chunk("IHDR", std::string(ihdr.begin(), ihdr.end())) + chunk("IDAT", idat) +
         chunk("IEND", "");
}

struct Refused {
  const char* name;
  std::function<std::string()> bytes;
};

void PrintTo(const Refused& r, std::ostream* os) {
  *os << r.name;
}

class ImageRefusalTest : public ::testing::TestWithParam<Refused> {};

// Bytes no allowed decoder turns into a picture give status 12 and no
// record; the dispatcher then sends the file in PC format.
// Nothing a refused picture's decoding made stays in the temporary folder.
TEST_P(ImageRefusalTest, GivesStatus12AndThePcFormatFallback) {
  TempFolder folder;
  TempFolder temporary;
  const std::string path = folder / GetParam().name;
  WriteFile(path, GetParam().bytes());
  {
    const ScopedEnv tmpdir("TMPDIR", temporary.Path());
    const ConversionResult result = ConvertImageAtMode(path, 1);
    EXPECT_EQ(result.status, kConvPictureNotLoaded);
    EXPECT_FALSE(result.record);
    EXPECT_FALSE(result.failure.empty());
  }
  EXPECT_TRUE(std::filesystem::is_empty(temporary.Path()));
  const ConversionResult sent = ConvertForHandheld(path);
  ASSERT_TRUE(sent.record);
  EXPECT_EQ(HeadOf(*sent.record).contentKind, records::kContentPcFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ImageRefusalTest,
    ::testing::Values(
        Refused{"bomb.png", DecompressionBomb},
        Refused{"text.jpg", [] { return std::string("not a picture at all\n"); }},
        Refused{"script.bmp",
                [] { return std::string("push graphic-context\nviewbox 0 0 10 10\n"); }},
        Refused{"vector.png",
                [] {
                  return std::string(
                      "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "width=\"10\" height=\"10\"><image href=\"text:/etc/passwd\"/></svg>");
                }},
        Refused{"broken.eps", [] { return std::string("%!PS-Adobe-3.0 EPSF-3.0\nnonsense\n"); }},
        // The header's size is refused before the decoder allocates for it.
        Refused{"progressive_16384x16384.jpg", [] { return JpegClaiming(16384, 16384, true); }},
        Refused{"progressive_4097x3072.jpg", [] { return JpegClaiming(4097, 3072, true); }},
        Refused{"baseline_16000x8389.jpg", [] { return JpegClaiming(16000, 8389, false); }}));

}  // namespace
}  // namespace conduit
