// Pictures to handheld bitmaps, on pictures made here: placement and
// enlargement, the exact bytes of each depth, upright photos for every EXIF
// orientation, error diffusion, EPS through Ghostscript, and the pictures
// that must be refused (status 12) quickly.
#include <Magick++.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "bytes/bytes.h"
#include "convert/convert.h"
#include "convert/imaging.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::HeadOf;
using vlmtest::ReadFile;
using vlmtest::ScopedEnv;
using vlmtest::TempFolder;
using vlmtest::WriteFile;
using vlmtest::WriteFileBelow;

constexpr int kSide = bitmap::kSide;
using Painter = std::function<Magick::Color(size_t row, size_t column)>;

Magick::Color Grey(int level) {
  const double share = level / 255.0;
  return Magick::ColorRGB(share, share, share);
}

// A picture of `width` x `height` painted pixel by pixel, saved as `name`.
std::string MakePicture(const TempFolder& folder, const std::string& name, size_t width,
                        size_t height, const Painter& paint) {
  imaging::InitialiseImaging();
  Magick::Image image(Magick::Geometry(width, height), Magick::Color("white"));
  image.modifyImage();
  for (size_t row = 0; row < height; ++row) {
    for (size_t column = 0; column < width; ++column) {
      image.pixelColor(column, row, paint(row, column));
    }
  }
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
  return std::span(record).subspan(file_record::kContentOffset);
}

// The 2-bit value of every pixel of a converted picture.
std::vector<uint8_t> TwoBitValues(const std::vector<uint8_t>& record) {
  std::vector<uint8_t> values;
  for (int row = 0; row < kSide; ++row) {
    for (int column = 0; column < kSide; ++column) {
      values.push_back(bitmap::PixelValue(ContentSpan(record), bitmap::kTwoBit, row, column));
    }
  }
  return values;
}

struct Placement {
  size_t width, height;
  size_t left, top, shownWidth, shownHeight;
};

class ImagePlacementTest : public ::testing::TestWithParam<Placement> {};

// A white picture shows as white (value 0) exactly where the size rule puts
// it, on black bars (value 3).
TEST_P(ImagePlacementTest, ScalesToTheLongerSideAndCentresOnBlack) {
  const Placement p = GetParam();
  TempFolder folder;
  const std::string path =
      MakePicture(folder, "white.png", p.width, p.height, [](size_t, size_t) { return Grey(255); });
  const std::vector<uint8_t> values = TwoBitValues(Convert(path, 1));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  for (size_t row = 0; row < kSide; ++row) {
    for (size_t column = 0; column < kSide; ++column) {
      const bool inside = row >= p.top && row < p.top + p.shownHeight && column >= p.left &&
                          column < p.left + p.shownWidth;
      ASSERT_EQ(values[row * kSide + column], inside ? 0 : 3) << row << "," << column;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SizeRule, ImagePlacementTest,
                         ::testing::Values(Placement{320, 240, 0, 20, 160, 120},
                                           Placement{80, 320, 60, 0, 40, 160},
                                           Placement{320, 320, 0, 0, 160, 160},
                                           Placement{80, 40, 0, 40, 160, 80},
                                           Placement{1000, 3, 0, 79, 160, 1}));

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
  EXPECT_EQ(HeadOf(record).contentKind, kContentBitmap);
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

// 256 colours: the colour table holds the picture's colours after the
// pixels, each entry led by its index, and every pixel's index names its
// own colour.
TEST(ConvertImage, EightBitPixelsIndexTheColourTableAfterThePixels) {
  TempFolder folder;
  const Magick::Color red("#FF0000"), blue("#0000FF"), yellow("#FFFF00");
  const std::string path = MakePicture(folder, "flag.png", kSide, kSide, [&](size_t y, size_t x) {
    return y < 80 ? (x < 80 ? red : blue) : (x < 80 ? yellow : Grey(0));
  });
  const std::vector<uint8_t> record = Convert(path, 3);
  ASSERT_EQ(record.size(), 26842u);
  EXPECT_EQ(HeadOf(record).depthCode, 3);
  const std::span<const uint8_t> content = ContentSpan(record);
  EXPECT_EQ(content[9], 2) << "version";
  for (size_t i = 0; i < bitmap::kColourCount; ++i) {
    ASSERT_EQ(content[bitmap::kColourTableOffset + 4 * i], i);
  }
  const auto colours = bitmap::DecodeBitmap(content, bitmap::kEightBit);
  ASSERT_TRUE(colours);
  auto at = [&](size_t y, size_t x) { return (*colours)[y * kSide + x]; };
  EXPECT_EQ(at(10, 10), (bitmap::Rgb{255, 0, 0}));
  EXPECT_EQ(at(10, 150), (bitmap::Rgb{0, 0, 255}));
  EXPECT_EQ(at(150, 10), (bitmap::Rgb{255, 255, 0}));
  EXPECT_EQ(at(150, 150), (bitmap::Rgb{0, 0, 0}));
}

// A mid grey that no handheld grey matches shows, on average, as that grey:
// the error of each pixel is carried on to its neighbours.
TEST(ConvertImage, DiffusesTheErrorOfShadesBetweenTheGreys) {
  TempFolder folder;
  const std::string path =
      MakePicture(folder, "grey.png", kSide, kSide, [](size_t, size_t) { return Grey(150); });
  const std::vector<uint8_t> record = Convert(path, 1);
  const auto colours = bitmap::DecodeBitmap(ContentSpan(record), bitmap::kTwoBit);
  ASSERT_TRUE(colours);
  double sum = 0;
  for (const bitmap::Rgb& colour : *colours) sum += colour.red;
  // The PC shows 2-bit values as 255, 200, 100 and 0: the mean of the
  // reduced picture is the grey of the handheld palette it was reduced to.
  EXPECT_NEAR(sum / static_cast<double>(colours->size()), 150.0, 4.0);
}

// The EXIF block of a JPEG that says only its orientation.
std::string ExifWithOrientation(uint16_t orientation) {
  platform::ByteWriter exif;
  exif.Bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("Exif\0\0MM\0*"), 10));
  exif.U32Be(8);       // first directory
  exif.U16Be(1);       // one entry
  exif.U16Be(0x0112);  // orientation
  exif.U16Be(3);       // SHORT
  exif.U32Be(1);       // one value
  exif.U16Be(orientation);
  exif.U16Be(0);
  exif.U32Be(0);  // no next directory
  const std::vector<uint8_t> bytes = exif.Take();
  return std::string(bytes.begin(), bytes.end());
}

// Where a stored pixel shows once the photo is upright.
std::pair<int, int> Upright(int orientation, int row, int column) {
  const int last = kSide - 1;
  switch (orientation) {
    case 2:
      return {row, last - column};
    case 3:
      return {last - row, last - column};
    case 4:
      return {last - row, column};
    case 5:
      return {column, row};
    case 6:
      return {column, last - row};
    case 7:
      return {last - column, last - row};
    case 8:
      return {last - column, row};
    default:
      return {row, column};
  }
}

class ImageOrientationTest : public ::testing::TestWithParam<int> {};

// A camera photo stored sideways shows upright: a black block stored at the
// top left lands where the orientation puts it, and nowhere else.
TEST_P(ImageOrientationTest, ShowsThePhotoUpright) {
  const int orientation = GetParam();
  TempFolder folder;
  imaging::InitialiseImaging();
  Magick::Image photo(Magick::Geometry(kSide, kSide), Magick::Color("white"));
  photo.draw(Magick::DrawableRectangle(0, 0, 99, 39));  // default fill is black
  const std::string exif = ExifWithOrientation(static_cast<uint16_t>(orientation));
  photo.profile("EXIF", Magick::Blob(exif.data(), exif.size()));
  // The library writes its own orientation into the EXIF block it saves.
  photo.orientation(static_cast<Magick::OrientationType>(orientation));
  photo.quality(95);
  const std::string path = folder / "photo.jpg";
  photo.write(path);

  const std::vector<uint8_t> values = TwoBitValues(Convert(path, 1));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  for (int candidate = 1; candidate <= 8; ++candidate) {
    const auto [row, column] = Upright(candidate, 20, 50);
    const uint8_t value = values[size_t(row) * kSide + size_t(column)];
    if (candidate == orientation) {
      EXPECT_EQ(value, 3) << "the block belongs at " << row << "," << column;
    } else if (Upright(candidate, 20, 50) != Upright(orientation, 20, 50)) {
      EXPECT_EQ(value, 0) << "no block belongs at " << row << "," << column;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ExifOrientations, ImageOrientationTest, ::testing::Range(1, 9));

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

// A small JPEG, progressive or baseline, whose frame header is then made to
// claim `width` x `height`: a few hundred bytes that stand for a picture
// that large, as a hostile file would.
std::string JpegClaiming(uint16_t width, uint16_t height, bool progressive) {
  imaging::InitialiseImaging();
  Magick::Image image(Magick::Geometry(16, 16), Magick::Color("white"));
  image.interlaceType(progressive ? Magick::PlaneInterlace : Magick::NoInterlace);
  image.magick("JPEG");
  Magick::Blob blob;
  image.write(&blob);
  const auto* data = static_cast<const uint8_t*>(blob.data());
  std::vector<uint8_t> bytes(data, data + blob.length());
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

struct Refused : vlmtest::NamedRow {
  std::function<std::string()> bytes;
};

class ImageRefusalTest : public ::testing::TestWithParam<Refused> {};

// Bytes no allowed decoder turns into a picture give status 12 and no
// record; the dispatcher then sends the file in PC format.
// Nothing a refused picture's decoding made stays in the temporary folder.
TEST_P(ImageRefusalTest, GivesStatus12AndThePcFormatFallback) {
  TempFolder folder;
  TempFolder temporary;
  const std::string path = WriteFileBelow(folder.Path(), GetParam().name, GetParam().bytes());
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
  EXPECT_EQ(HeadOf(*sent.record).contentKind, kContentPcFormat);
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

struct Accepted : vlmtest::NamedRow {
  std::function<std::string(const TempFolder&)> make;  // the picture's path
};

class ImageLargestAcceptedTest : public ::testing::TestWithParam<Accepted> {};

// The largest pictures of each kind still convert within the library's
// memory limits, however few bytes carry them.
TEST_P(ImageLargestAcceptedTest, Converts) {
  TempFolder folder;
  const std::string path = GetParam().make(folder);
  const ConversionResult result = ConvertImageAtMode(path, 1);
  EXPECT_EQ(result.status, kConvOk) << result.failure;
  EXPECT_TRUE(result.record);
}

// A real 4096 x 3072 grey PNG, the largest area decoded whole.
std::string WholeAreaPng(const TempFolder& folder) {
  imaging::InitialiseImaging();
  Magick::Image image(Magick::Geometry(4096, 3072), Magick::Color("grey"));
  image.depth(8);
  const std::string path = folder / "whole_4096x3072.png";
  image.write(path);
  return path;
}

std::function<std::string(const TempFolder&)> JpegFile(const char* name, uint16_t width,
                                                       uint16_t height, bool progressive) {
  return [=](const TempFolder& folder) {
    const std::string path =
        WriteFileBelow(folder.Path(), name, JpegClaiming(width, height, progressive));
    return path;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ImageLargestAcceptedTest,
    ::testing::Values(Accepted{"whole.png", WholeAreaPng},
                      Accepted{"progressive.jpg", JpegFile("p.jpg", 4096, 3072, true)},
                      Accepted{"baseline.jpg", JpegFile("b.jpg", 16000, 8388, false)}));

constexpr std::string_view kWhiteBoxEps =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 200 100\n"
    "(printed text stays out of the picture) print\n"
    "1 setgray 0 0 200 100 rectfill showpage\n";

// EPS, which the imaging library may not read, is rendered by Ghostscript.
TEST(ConvertImage, RendersEpsThroughGhostscript) {
  TempFolder folder;
  const std::string path = WriteFileBelow(folder.Path(), "box.eps", kWhiteBoxEps);
  const std::vector<uint8_t> values = TwoBitValues(Convert(path, 1));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  EXPECT_EQ(values[0], 3) << "black bar above the 2:1 picture";
  EXPECT_EQ(values[80 * kSide + 80], 0) << "the white box";
}

// The names in a folder.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// An EPS that reads, creates, renames and deletes files in the process's
// temporary folder finds each refused: the page it paints black would be
// white had any succeeded. Afterwards that folder holds its canary,
// unchanged, and nothing else, so Ghostscript's own folder is gone too.
TEST(ConvertImage, EpsCannotTouchTheSharedTemporaryFolder) {
  TempFolder pictures;
  TempFolder shared;
  const ScopedEnv tmpdir("TMPDIR", shared.Path());
  WriteFile(shared / "canary", "secret");
  auto name = [&](const char* file) { return "(" + shared / file + ")"; };
  const std::string path = pictures / "hostile.eps";
  WriteFile(path,
            "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n"
            "/reached false def\n"
            "/try { stopped not { /reached true def } if } def\n"
            "{ " +
                name("canary") +
                " (r) file 6 string readstring pop pop } try\n"
                "{ " +
                name("made") +
                " (w) file closefile } try\n"
                "{ " +
                name("canary") + " " + name("moved") +
                " renamefile } try\n"
                "{ " +
                name("canary") +
                " deletefile } try\n"
                "reached { 1 } { 0 } ifelse setgray 0 0 100 100 rectfill showpage\n");
  const std::vector<uint8_t> values = TwoBitValues(Convert(path, 1));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  EXPECT_EQ(values[80 * kSide + 80], 3) << "a file operation succeeded";
  EXPECT_EQ(NamesIn(shared.Path()), std::vector<std::string>{"canary"});
  EXPECT_EQ(ReadFile(shared / "canary"), "secret");
}

// A rendering folder left by a process killed while it rendered goes at the
// next rendering; one that may still be in use stays.
TEST(ConvertImage, EpsRenderingRemovesFoldersOfKilledRuns) {
  TempFolder pictures;
  TempFolder shared;
  const ScopedEnv tmpdir("TMPDIR", shared.Path());
  for (const char* name : {"vellamore-eps-killed", "vellamore-eps-running"}) {
    std::filesystem::create_directory(shared / name);
    WriteFile(shared / name + "/scratch", "left");
  }
  vlmtest::SetModifiedTime(shared / "vellamore-eps-killed", std::time(nullptr) - 3600);
  const std::string path = pictures / "box.eps";
  WriteFile(path, kWhiteBoxEps);
  Convert(path, 1);
  EXPECT_EQ(NamesIn(shared.Path()), std::vector<std::string>{"vellamore-eps-running"});
}

}  // namespace
}  // namespace conduit
