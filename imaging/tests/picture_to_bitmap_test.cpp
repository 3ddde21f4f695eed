// The picture chain on pictures made here: placement and enlargement, the
// colour table of 256 colours, error diffusion, upright photos for every
// EXIF orientation, the largest pictures accepted, and EPS through
// Ghostscript with its temporary folders.
#include "picture_to_bitmap.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string_view>

#include "bytes/bytes.h"
#include "testing/files.h"
#include "testing/picture.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace imaging {
namespace {

namespace bitmap = records::bitmap;
using vlmtest::Grey;
using vlmtest::PaintedPicture;
using vlmtest::PictureBytes;
using vlmtest::TempFolder;

constexpr int kSide = bitmap::kSide;

std::vector<uint8_t> BitmapOf(std::span<const uint8_t> bytes, std::string_view extension,
                              const bitmap::Depth& depth = bitmap::kTwoBit) {
  platform::Result<std::vector<uint8_t>> made = PictureToBitmap(bytes, extension, depth, nullptr);
  EXPECT_TRUE(made.Ok()) << made.Reason();
  return made ? std::move(made).Value() : std::vector<uint8_t>{};
}

std::vector<uint8_t> BitmapOf(std::string_view bytes, std::string_view extension) {
  return BitmapOf(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                  extension);
}

// The 2-bit value of every pixel of a bitmap.
std::vector<uint8_t> TwoBitValues(const std::vector<uint8_t>& content) {
  std::vector<uint8_t> values;
  if (content.size() < bitmap::kTwoBit.ContentSize()) return values;
  for (int row = 0; row < kSide; ++row) {
    for (int column = 0; column < kSide; ++column) {
      values.push_back(bitmap::PixelValue(content, bitmap::kTwoBit, row, column));
    }
  }
  return values;
}

struct Placement {
  size_t width, height;
  size_t left, top, shownWidth, shownHeight;
};

class PicturePlacementTest : public ::testing::TestWithParam<Placement> {};

// A white picture shows as white (value 0) exactly where the size rule puts
// it, on black bars (value 3).
TEST_P(PicturePlacementTest, ScalesToTheLongerSideAndCentresOnBlack) {
  const Placement p = GetParam();
  Magick::Image white = PaintedPicture(p.width, p.height, [](size_t, size_t) { return Grey(255); });
  const std::vector<uint8_t> values = TwoBitValues(BitmapOf(PictureBytes(white, "PNG"), "PNG"));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  for (size_t row = 0; row < kSide; ++row) {
    for (size_t column = 0; column < kSide; ++column) {
      const bool inside = row >= p.top && row < p.top + p.shownHeight && column >= p.left &&
                          column < p.left + p.shownWidth;
      ASSERT_EQ(values[row * kSide + column], inside ? 0 : 3) << row << "," << column;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SizeRule, PicturePlacementTest,
                         ::testing::Values(Placement{320, 240, 0, 20, 160, 120},
                                           Placement{80, 320, 60, 0, 40, 160},
                                           Placement{320, 320, 0, 0, 160, 160},
                                           Placement{80, 40, 0, 40, 160, 80},
                                           Placement{1000, 3, 0, 79, 160, 1}));

// 256 colours: the colour table holds the picture's colours after the
// pixels, each entry led by its index, and every pixel's index names its
// own colour.
TEST(PictureToBitmap, EightBitPixelsIndexTheColourTableAfterThePixels) {
  const Magick::Color red("#FF0000"), blue("#0000FF"), yellow("#FFFF00");
  Magick::Image flag = PaintedPicture(kSide, kSide, [&](size_t y, size_t x) {
    return y < 80 ? (x < 80 ? red : blue) : (x < 80 ? yellow : Grey(0));
  });
  const std::vector<uint8_t> content =
      BitmapOf(PictureBytes(flag, "PNG"), "PNG", bitmap::kEightBit);
  ASSERT_EQ(content.size(), 26640u);
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
TEST(PictureToBitmap, DiffusesTheErrorOfShadesBetweenTheGreys) {
  Magick::Image grey = PaintedPicture(kSide, kSide, [](size_t, size_t) { return Grey(150); });
  const auto colours =
      bitmap::DecodeBitmap(BitmapOf(PictureBytes(grey, "PNG"), "PNG"), bitmap::kTwoBit);
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

class PictureOrientationTest : public ::testing::TestWithParam<int> {};

// A camera photo stored sideways shows upright: a black block stored at the
// top left lands where the orientation puts it, and nowhere else.
TEST_P(PictureOrientationTest, ShowsThePhotoUpright) {
  const int orientation = GetParam();
  InitialiseImaging();
  Magick::Image photo(Magick::Geometry(kSide, kSide), Magick::Color("white"));
  photo.draw(Magick::DrawableRectangle(0, 0, 99, 39));  // default fill is black
  const std::string exif = ExifWithOrientation(static_cast<uint16_t>(orientation));
  photo.profile("EXIF", Magick::Blob(exif.data(), exif.size()));
  // The library writes its own orientation into the EXIF block it saves.
  photo.orientation(static_cast<Magick::OrientationType>(orientation));
  photo.quality(95);

  const std::vector<uint8_t> values = TwoBitValues(BitmapOf(PictureBytes(photo, "JPEG"), "JPG"));
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

INSTANTIATE_TEST_SUITE_P(ExifOrientations, PictureOrientationTest, ::testing::Range(1, 9));

struct Accepted {
  const char* name;
  std::function<std::vector<uint8_t>()> bytes;
};

void PrintTo(const Accepted& a, std::ostream* os) {
  *os << a.name;
}

class PictureLargestAcceptedTest : public ::testing::TestWithParam<Accepted> {};

// The largest pictures of each kind still convert within the library's
// memory limits, however few bytes carry them.
TEST_P(PictureLargestAcceptedTest, Converts) {
  const std::vector<uint8_t> bytes = GetParam().bytes();
  const platform::Result<std::vector<uint8_t>> made =
      PictureToBitmap(bytes, {}, bitmap::kTwoBit, nullptr);
  EXPECT_TRUE(made.Ok()) << made.Reason();
}

// A real 4096 x 3072 grey PNG, the largest area decoded whole.
std::vector<uint8_t> WholeAreaPng() {
  InitialiseImaging();
  Magick::Image image(Magick::Geometry(4096, 3072), Magick::Color("grey"));
  image.depth(8);
  return PictureBytes(image, "PNG");
}

std::function<std::vector<uint8_t>()> JpegClaiming(uint16_t width, uint16_t height,
                                                   bool progressive) {
  return [=] {
    const std::string bytes = vlmtest::JpegClaiming(width, height, progressive);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  };
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PictureLargestAcceptedTest,
    ::testing::Values(Accepted{"whole.png", WholeAreaPng},
                      Accepted{"progressive.jpg", JpegClaiming(4096, 3072, true)},
                      Accepted{"baseline.jpg", JpegClaiming(16000, 8388, false)}));

constexpr std::string_view kWhiteBoxEps =
    "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 200 100\n"
    "(printed text stays out of the picture) print\n"
    "1 setgray 0 0 200 100 rectfill showpage\n";

// EPS, which the imaging library may not read, is rendered by Ghostscript.
TEST(PictureToBitmap, RendersEpsThroughGhostscript) {
  const std::vector<uint8_t> values = TwoBitValues(BitmapOf(kWhiteBoxEps, "EPS"));
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
TEST(PictureToBitmap, EpsCannotTouchTheSharedTemporaryFolder) {
  TempFolder shared;
  const vlmtest::ScopedEnv tmpdir("TMPDIR", shared.Path());
  vlmtest::WriteFile(shared / "canary", "secret");
  auto name = [&](const char* file) { return "(" + shared / file + ")"; };
  const std::string eps =
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
      "reached { 1 } { 0 } ifelse setgray 0 0 100 100 rectfill showpage\n";
  const std::vector<uint8_t> values = TwoBitValues(BitmapOf(eps, "EPS"));
  ASSERT_EQ(values.size(), bitmap::kPixelCount);
  EXPECT_EQ(values[80 * kSide + 80], 3) << "a file operation succeeded";
  EXPECT_EQ(NamesIn(shared.Path()), std::vector<std::string>{"canary"});
  EXPECT_EQ(vlmtest::ReadFile(shared / "canary"), "secret");
}

// A rendering folder left by a process killed while it rendered goes at the
// next rendering; one that may still be in use stays.
TEST(PictureToBitmap, EpsRenderingRemovesFoldersOfKilledRuns) {
  TempFolder shared;
  const vlmtest::ScopedEnv tmpdir("TMPDIR", shared.Path());
  for (const char* name : {"vellamore-eps-killed", "vellamore-eps-running"}) {
    std::filesystem::create_directory(shared / name);
    vlmtest::WriteFile(shared / name + "/scratch", "left");
  }
  vlmtest::SetModifiedTime(shared / "vellamore-eps-killed", std::time(nullptr) - 3600);
  BitmapOf(kWhiteBoxEps, "EPS");
  EXPECT_EQ(NamesIn(shared.Path()), std::vector<std::string>{"vellamore-eps-running"});
}

}  // namespace
}  // namespace imaging
