// Received handheld records to PC files: the text, bitmap and data files
// byte for byte, the names they take, hostile records that must write
// nothing, names that must never replace or escape, and pictures sent to
// the handheld and received back unchanged.
#include "receive/received_file.h"

#include <Magick++.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "convert/convert.h"
#include "handheld_bitmap.h"   // records/
#include "handheld_records.h"  // records/
#include "imaging.h"           // imaging/
#include "receive/pc_path.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit::receive {
namespace {

using vlmtest::ReadFile;
using vlmtest::TempFolder;
using vlmtest::WriteFile;

// A received record: head fields, then `content` as given.
std::vector<uint8_t> Record(uint8_t kind, const std::string& source, std::string_view content,
                            uint32_t size, uint16_t depthCode = 0) {
  return vlmtest::FileRecordBytes({7,
                                   "Title of " + source,
                                   source,
                                   {20, 1, 3, 5, 14, 7, 0, 0},
                                   {20, 2, 4, 6, 15, 8, 0, 0},
                                   {20, 3, 5, 7, 16, 9, 10, 0},
                                   depthCode,
                                   size,
                                   kind},
                                  content);
}

std::vector<uint8_t> TextRecord(const std::string& source, std::string_view text) {
  return Record(records::kContentText, source, std::string(text) + '\0', uint32_t(text.size() + 1));
}

struct Receiver {
  TempFolder folder;
  store::FileListStore list;
  ReceiveDestination destination{folder.Path(), list, "Ann"};

  int Save(const std::vector<uint8_t>& record, RecordDescription description = {}) {
    std::string why;
    const int result = SaveReceivedFile(record, description, destination, why);
    EXPECT_EQ(result == 0, why.empty()) << why;
    return result;
  }
  std::vector<std::string> Files() const { return vlmtest::FileNamesIn(folder.Path()); }
};

// The handheld ends lines with LF; a CR LF becomes LF, and a lone CR, which
// breaks no line on the handheld, stays.
TEST(SaveReceivedFile, WritesTextWithLfLineEndsInUtf8AndListsIt) {
  Receiver receiver;
  ASSERT_EQ(receiver.Save(TextRecord("C:\\Palm\\list", "a\nb\r\nc\rd\xE9")), 0);
  ASSERT_EQ(receiver.list.Entries().size(), 1u);
  const store::FileListEntry& entry = receiver.list.Entries()[0];
  EXPECT_EQ(entry.receivedCopy, receiver.folder / "list.txt");
  EXPECT_EQ(ReadFile(entry.receivedCopy), "a\nb\nc\rd\xC3\xA9");
  EXPECT_EQ(entry.title, "Title of C:\\Palm\\list");
  EXPECT_EQ(entry.path, "C:\\Palm\\list");
  EXPECT_EQ(entry.user, "Ann");
  EXPECT_EQ(entry.created.bytes, (std::array<uint8_t, 8>{20, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(entry.lastSent.bytes, (std::array<uint8_t, 8>{20, 3, 5, 7, 16, 9, 10, 0}));
  EXPECT_EQ(entry.kind, store::kReceivedFile);
  EXPECT_EQ(entry.action, store::kActionReceived);
  EXPECT_EQ(entry.format, records::kContentText);
  EXPECT_EQ(entry.size, 10u);
}

TEST(SaveReceivedFile, NumbersTakenNamesAndListsTheRecordsOwnPath) {
  Receiver receiver;
  WriteFile(receiver.folder / "list.txt", "earlier");
  WriteFile(receiver.folder / "list1.txt", "earlier");
  ASSERT_EQ(receiver.Save(TextRecord("list", "new")), 0);
  EXPECT_EQ(receiver.list.Entries()[0].receivedCopy, receiver.folder / "list2.txt");
  EXPECT_EQ(receiver.list.Entries()[0].path, "list");
  EXPECT_EQ(ReadFile(receiver.folder / "list.txt"), "earlier");
}

TEST(SaveReceivedFile, MarksPrivateRecordsAndKeepsTheirCategory) {
  Receiver receiver;
  ASSERT_EQ(receiver.Save(TextRecord("memo", "x"), RecordDescription{0x10 | 0x40, 5}), 0);
  EXPECT_EQ(receiver.list.Entries()[0].isPrivate, 1);
  EXPECT_EQ(receiver.list.Entries()[0].category, 5);
}

// A name that exists only as a link to nowhere is taken all the same: the
// link is never followed to create a file outside the data directory.
TEST(SaveReceivedFile, NeverWritesThroughANameThatIsTaken) {
  Receiver receiver;
  TempFolder outside;
  ASSERT_EQ(symlink((outside / "planted").c_str(), (receiver.folder / "song.mid").c_str()), 0);
  ASSERT_EQ(receiver.Save(Record(records::kContentPcFormat, "song.mid", "abc", 3)), 0);
  EXPECT_EQ(receiver.list.Entries()[0].receivedCopy, receiver.folder / "song1.mid");
  EXPECT_FALSE(std::filesystem::exists(outside / "planted"));
}

TEST(SaveReceivedFile, RefusesTheRecordWhenEveryNumberedNameIsTaken) {
  Receiver receiver;
  WriteFile(receiver.folder / "x.dat", "");
  for (int n = 1; n < kNameCounterLimit; ++n) {
    WriteFile(receiver.folder / ("x" + std::to_string(n) + ".dat"), "");
  }
  EXPECT_EQ(receiver.Save(Record(records::kContentPcFormat, "x.dat", "abc", 3)), -1);
  EXPECT_TRUE(receiver.list.Entries().empty());
}

struct OwnName {
  const char* source;
  uint8_t kind;
  const char* file;  // the name the received file takes
};

void PrintTo(const OwnName& o, std::ostream* os) {
  *os << o.source;
}

class OwnNameTest : public ::testing::TestWithParam<OwnName> {};

// Names the data directory uses itself are taken even before those files
// exist; the received file takes the counter, and a later save of the list
// (which clears its own stale temporaries) leaves it as it was.
TEST_P(OwnNameTest, TakesTheCounterAndSurvivesTheListsSave) {
  const OwnName& o = GetParam();
  Receiver receiver;
  ASSERT_EQ(receiver.Save(Record(o.kind, o.source, std::string("abc") + '\0', 4)), 0);
  const std::string copy = receiver.list.Entries()[0].receivedCopy;
  EXPECT_EQ(copy, receiver.folder / o.file);
  const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(copy, anHourAgo);
  ASSERT_EQ(receiver.list.Save(store::FileListStore::PathIn(receiver.folder.Path())), 0);
  EXPECT_EQ(ReadFile(copy).substr(0, 3), "abc");
}

INSTANTIATE_TEST_SUITE_P(
    Names, OwnNameTest,
    ::testing::Values(
        OwnName{"Vellamore.dat", records::kContentPcFormat, "Vellamore1.dat"},
        OwnName{"C:\\Palm\\Vellamore.hlp", records::kContentPcFormat, "Vellamore1.hlp"},
        OwnName{".Vellamore.dat.lock", records::kContentPcFormat, ".Vellamore.dat1.lock"},
        OwnName{".Vellamore.dat.a1B2c3", records::kContentPcFormat, ".Vellamore.dat1.a1B2c3"},
        OwnName{".Vellamore.dat", records::kContentText, ".Vellamore.dat1.txt"},
        OwnName{"Vellamore.dat", records::kContentText, "Vellamore.dat.txt"},
        OwnName{"vellamore.dat", records::kContentPcFormat, "vellamore.dat"},
        OwnName{".Vellamore.dat.x.y", records::kContentPcFormat, ".Vellamore.dat.x.y"}));

struct HandheldName {
  std::string source;  // as the handheld wrote it
  std::string file;    // the received file's name, UTF-8
  std::string title;   // the entry's title, UTF-8
};

void PrintTo(const HandheldName& h, std::ostream* os) {
  *os << h.file;
}

class HandheldNameTest : public ::testing::TestWithParam<HandheldName> {};

// A name from the handheld becomes a valid UTF-8 file name and title; the
// entry's path keeps the handheld's bytes.
TEST_P(HandheldNameTest, BecomesAValidUtf8FileNameAndTitle) {
  const HandheldName& h = GetParam();
  Receiver receiver;
  ASSERT_EQ(receiver.Save(Record(records::kContentPcFormat, h.source, "x", 1)), 0);
  const store::FileListEntry& entry = receiver.list.Entries()[0];
  EXPECT_EQ(entry.receivedCopy, receiver.folder / h.file);
  EXPECT_EQ(entry.title, h.title);
  EXPECT_EQ(entry.path, h.source);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HandheldNameTest,
    ::testing::Values(
        HandheldName{"caf\xE9.doc", "caf\xC3\xA9.doc", "Title of caf\xC3\xA9.doc"},
        HandheldName{"caf\xC3\xA9.doc", "caf\xC3\xA9.doc", "Title of caf\xC3\xA9.doc"},
        HandheldName{"\x80 \x96 \x81.txt", "\xE2\x82\xAC \xE2\x80\x93 _.txt",
                     "Title of \xE2\x82\xAC \xE2\x80\x93 _.txt"},
        HandheldName{"a\tb\x7F\x1B.txt", "a_b__.txt", "Title of a_b__.txt"},
        HandheldName{"line\xC2\x85two.txt", "line_two.txt", "Title of line_two.txt"},
        // 60 accented letters: the base name is cut to whole characters.
        HandheldName{std::string(60, '\xE9') + ".txt", vlmtest::Repeated("\xC3\xA9", 25) + ".txt",
                     "Title of " + vlmtest::Repeated("\xC3\xA9", 30)}));

struct HostileRecord : vlmtest::NamedRow {
  std::vector<uint8_t> record;
  bool saved;
  const char* file;  // the one file written, when saved
  const char* contents;
};

class HostileRecordTest : public ::testing::TestWithParam<HostileRecord> {};

// Each record is either refused, writing and listing nothing, or saved as
// one file inside the data directory holding only what the record holds.
TEST_P(HostileRecordTest, WritesNothingOutsideWhatTheRecordHolds) {
  const HostileRecord& h = GetParam();
  Receiver receiver;
  EXPECT_EQ(receiver.Save(h.record), h.saved ? 0 : -1);
  if (!h.saved) {
    EXPECT_TRUE(receiver.Files().empty());
    EXPECT_TRUE(receiver.list.Entries().empty());
    return;
  }
  ASSERT_EQ(receiver.Files(), std::vector<std::string>{h.file});
  EXPECT_EQ(ReadFile(receiver.folder / h.file), h.contents);
  EXPECT_LE(receiver.list.Entries()[0].receivedCopy.size(), kMaxReceivedPathLength);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> record, size_t size) {
  record.resize(size);
  return record;
}

const std::string kLongName(128, 'n');

INSTANTIATE_TEST_SUITE_P(
    Records, HostileRecordTest,
    ::testing::Values(
        HostileRecord{"ShorterThanItsHead", Cut(TextRecord("a", "b"), 200), false, "", ""},
        HostileRecord{"TextWithoutNul", Record(records::kContentText, "t", "no end", 6), true,
                      "t.txt", "no end"},
        HostileRecord{"SizeBeyondTheRecord",
                      Record(records::kContentPcFormat, "big.bin", "abc", 0xFFFFFFFFu), false, "",
                      ""},
        HostileRecord{"DataOfExactlyItsSize",
                      Record(records::kContentPcFormat, "song.mid", "0123456789junk", 10), true,
                      "song.mid", "0123456789"},
        HostileRecord{"BitmapShorterThanItsDepth",
                      Record(records::kContentBitmap, "photo", std::string(6415, '\0'), 6416, 1),
                      false, "", ""},
        HostileRecord{"EightBitWithoutItsColourTable",
                      Record(records::kContentBitmap, "photo", std::string(25616, '\0'), 25616, 3),
                      false, "", ""},
        HostileRecord{"NameWithFolders", TextRecord("../../etc/passwd", "x"), true, "passwd.txt",
                      "x"},
        HostileRecord{"WindowsFolders", TextRecord("C:\\..\\..\\boot.ini", "x"), true,
                      "boot.ini.txt", "x"},
        HostileRecord{"OnlyDots", TextRecord("..", "x"), true, "unnamed.txt", "x"},
        HostileRecord{"FolderOnly", Record(records::kContentPcFormat, "a/b/", "x", 1), true, "b",
                      "x"},
        HostileRecord{"LongestName", Record(records::kContentPcFormat, kLongName, "x", 1), true,
                      "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn", "x"}));

// Named by the path's file name.
struct ChosenPath : vlmtest::NamedRow {
  const char* source;
  PathVariant variant;
  int counter;
};

class ChoosePcPathTest : public ::testing::TestWithParam<ChosenPath> {};

TEST_P(ChoosePcPathTest, KeepsOrAppendsTheExtensionAndNumbersBeforeIt) {
  const ChosenPath& c = GetParam();
  EXPECT_EQ(ChoosePcPath("/data", c.source, c.variant, c.counter), std::string("/data/") + c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChoosePcPathTest,
    ::testing::Values(ChosenPath{"report.doc.txt", "report.doc", PathVariant::kText, 0},
                      ChosenPath{"Read.Me.TXT", "Read.Me.TXT", PathVariant::kText, 0},
                      ChosenPath{"memo2.txt", "memo", PathVariant::kText, 2},
                      ChosenPath{"photo.bmp", "photo", PathVariant::kBitmap, 0},
                      ChosenPath{"Cat1.BMP", "C:\\My Pictures\\Cat.BMP", PathVariant::kBitmap, 1},
                      ChosenPath{"b.txt", "a:b.txt", PathVariant::kData, 0},
                      ChosenPath{"song3.mid", "song.mid", PathVariant::kData, 3}));

TEST(ChoosePcPath, RefusesADataDirectoryThatLeavesNoRoomForAName) {
  EXPECT_FALSE(ChoosePcPath(std::string(122, 'd'), "memo", PathVariant::kText, 0));
  EXPECT_EQ(ChoosePcPath(std::string(121, 'd'), "memo", PathVariant::kText, 0),
            std::string(121, 'd') + "/m.txt");
}

struct BitmapPixels {
  uint16_t depthCode;
  size_t contentSize;
  std::vector<std::pair<size_t, uint8_t>> bytes;  // content offset, value
  std::vector<records::bitmap::Rgb> firstPixels;  // of row 0, from the left
};

void PrintTo(const BitmapPixels& b, std::ostream* os) {
  *os << "depth code " << b.depthCode;
}

class ReceivedBitmapTest : public ::testing::TestWithParam<BitmapPixels> {};

// Read back by the imaging library, as any viewer would open it.
TEST_P(ReceivedBitmapTest, WritesA24BitBmpWithTheHandheldsColours) {
  const BitmapPixels& b = GetParam();
  std::string content(b.contentSize, '\0');
  for (const auto& [offset, value] : b.bytes) content[offset] = static_cast<char>(value);
  Receiver receiver;
  ASSERT_EQ(receiver.Save(Record(records::kContentBitmap, "photo", content, uint32_t(b.contentSize),
                                 b.depthCode)),
            0);
  imaging::InitialiseImaging();
  Magick::Image image(receiver.folder / "photo.bmp");
  ASSERT_EQ(image.columns(), 160u);
  ASSERT_EQ(image.rows(), 160u);
  EXPECT_EQ(image.depth(), 8u);
  for (size_t x = 0; x < b.firstPixels.size(); ++x) {
    const Magick::ColorRGB colour = image.pixelColor(x, 0);
    EXPECT_EQ((records::bitmap::Rgb{uint8_t(std::lround(colour.red() * 255)),
                                    uint8_t(std::lround(colour.green() * 255)),
                                    uint8_t(std::lround(colour.blue() * 255))}),
              b.firstPixels[x])
        << "column " << x;
  }
  const Magick::ColorRGB last = image.pixelColor(159, 159);
  EXPECT_EQ(last.red(), b.depthCode == 3 ? 0.0 : 1.0) << "unset pixels: white, or table entry 0";
}

INSTANTIATE_TEST_SUITE_P(
    Depths, ReceivedBitmapTest,
    ::testing::Values(
        BitmapPixels{
            1, 6416, {{16, 0x1B}}, {{255, 255, 255}, {200, 200, 200}, {100, 100, 100}, {0, 0, 0}}},
        BitmapPixels{0, 6416, {{16, 0xFF}}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        BitmapPixels{7, 6416, {{16, 0x1B}}, {{255, 255, 255}, {200, 200, 200}}},
        BitmapPixels{2, 12816, {{16, 0xF0}}, {{0, 0, 0}, {255, 255, 255}}},
        BitmapPixels{
            3,
            26640,
            {{16, 5}, {25616 + 20, 5}, {25616 + 21, 10}, {25616 + 22, 20}, {25616 + 23, 30}},
            {{10, 20, 30}, {0, 0, 0}}}));

class PictureRoundTripTest : public ::testing::TestWithParam<uint8_t> {};

// A picture made of the depth's own colours, sent to the handheld and
// received back, comes back pixel for pixel.
TEST_P(PictureRoundTripTest, ComesBackPixelForPixel) {
  const uint8_t imageMode = GetParam();
  auto colourAt = [imageMode](size_t row, size_t column) -> records::bitmap::Rgb {
    static constexpr uint8_t kFourGreys[] = {0, 100, 200, 255};
    if (imageMode == 1) {
      const uint8_t grey = kFourGreys[(row / 10 + column / 10) % 4];
      return {grey, grey, grey};
    }
    if (imageMode == 2) {
      const auto grey = static_cast<uint8_t>(17 * ((row / 10 + column / 10) % 16));
      return {grey, grey, grey};
    }
    return {static_cast<uint8_t>(row / 40 * 80), static_cast<uint8_t>(column / 40 * 80), 200};
  };
  Receiver receiver;
  imaging::InitialiseImaging();
  Magick::Image picture(Magick::Geometry(160, 160), Magick::Color("black"));
  picture.modifyImage();
  for (size_t row = 0; row < 160; ++row) {
    for (size_t column = 0; column < 160; ++column) {
      const records::bitmap::Rgb c = colourAt(row, column);
      picture.pixelColor(column, row,
                         Magick::ColorRGB(c.red / 255.0, c.green / 255.0, c.blue / 255.0));
    }
  }
  TempFolder pc;
  picture.write(pc / "sent.png");
  const ConversionResult sent = ConvertImageAtMode(pc / "sent.png", imageMode);
  ASSERT_TRUE(sent.record) << sent.failure;
  ASSERT_EQ(receiver.Save(*sent.record), 0);

  Magick::Image received(receiver.folder / "sent.png.bmp");
  std::vector<uint8_t> rgb(160 * 160 * 3);
  received.write(0, 0, 160, 160, "RGB", Magick::CharPixel, rgb.data());
  for (size_t row = 0; row < 160; ++row) {
    for (size_t column = 0; column < 160; ++column) {
      const size_t at = 3 * (row * 160 + column);
      ASSERT_EQ((records::bitmap::Rgb{rgb[at], rgb[at + 1], rgb[at + 2]}), colourAt(row, column))
          << row << "," << column;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ImageModes, PictureRoundTripTest, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace conduit::receive
