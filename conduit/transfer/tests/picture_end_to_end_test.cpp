// A picture both ways through the built programs: found and fetched as a
// bitmap in the depth the handheld asked for, shown as a PNG by the
// handheld companion, and received back as a BMP file in the data folder
// with its entry in "Vellamore.dat".
#include <Magick++.h>
#include <gtest/gtest.h>

#include "bytes/bytes.h"
#include "handheld_records.h"  // records/
#include "testing/hotsync_world.h"

namespace conduit {
namespace {

// The red of one pixel, 0 to 255, as any viewer reads it.
int RedAt(Magick::Image& picture, size_t x, size_t y) {
  uint8_t rgb[3] = {};
  picture.write(static_cast<ssize_t>(x), static_cast<ssize_t>(y), 1, 1, "RGB", Magick::CharPixel,
                rgb);
  return rgb[0];
}

TEST(PictureEndToEnd, FetchedAsABitmapShownAsPngAndReceivedAsBmp) {
  vlmtest::HotSyncWorld world;
  Magick::InitializeMagick(nullptr);
  Magick::Image photo(Magick::Geometry(320, 240), Magick::Color("white"));
  photo.write(world.PcFolder() + "/photo.png");

  world.Handheld("search-fields", {"--spec", world.PcFolder() + "/*.png", "--list-only", "off"});
  world.Handheld("request", {"search", "--image-mode", "2"});
  ASSERT_TRUE(world.HotSync().Succeeded());
  const std::vector<platform::pdb::PalmRecord> files = world.FileRecords();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].data.size(), 13018u) << "16 greys, as asked";
  EXPECT_EQ(platform::GetU16Be(files[0].data, records::file_record::kDepthCodeOffset), 2);

  const std::string png = world.Root() + "/shown.png";
  world.Handheld("extract", {"0", png, "--png"});
  Magick::Image shown(png);
  EXPECT_EQ(shown.magick(), "PNG");
  EXPECT_EQ(shown.columns(), 160u);
  EXPECT_EQ(RedAt(shown, 80, 10), 0) << "black bar";
  EXPECT_EQ(RedAt(shown, 80, 80), 255) << "the white photo";

  world.Handheld("request", {"receive", "--record", "0"});
  ASSERT_TRUE(world.HotSync().Succeeded());
  EXPECT_EQ(world.Request(), records::kRequestReceiveDone);
  EXPECT_EQ(world.Status(), 0);
  const store::FileListStore list = world.LoadStore();
  ASSERT_EQ(list.Entries().size(), 1u);
  const store::FileListEntry& entry = list.Entries()[0];
  EXPECT_EQ(entry.kind, store::kReceivedFile);
  EXPECT_EQ(entry.format, records::kContentBitmap);
  EXPECT_EQ(entry.receivedCopy, world.DataFolder() + "/photo.png.bmp");
  Magick::Image received(entry.receivedCopy);
  EXPECT_EQ(received.magick().substr(0, 3), "BMP");
  EXPECT_EQ(RedAt(received, 80, 80), 255);
}

}  // namespace
}  // namespace conduit
