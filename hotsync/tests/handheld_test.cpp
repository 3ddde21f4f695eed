// The handheld companion as a process on real image folders: the request
// preference, the search block, search results, and the files database,
// each checked byte for byte through the Palm database reader.
#include <Magick++.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "bytes/bytes.h"
#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "testing/files.h"
#include "testing/image.h"
#include "testing/run_program.h"
#include "testing/scoped_env.h"
#include "testing/table.h"

namespace hotsync {
namespace {

using platform::pdb::AppPreference;
using platform::pdb::HandheldImage;
using platform::pdb::ImageError;
using platform::pdb::PalmDatabase;
using vlmtest::BinPath;
using vlmtest::ProgramResult;

constexpr uint32_t kVlmr = 0x566C6D72;

class HandheldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_work.Path() + "/palm";
    ASSERT_EQ(Run({"create", m_path, "--user", "Ada"}).exitStatus, 0);
  }

  ProgramResult Run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), BinPath("handheld"));
    return vlmtest::RunProgram(arguments);
  }

  AppPreference Preference() const {
    AppPreference preference;
    EXPECT_EQ(Image().ReadPreference(kVlmr, 0, true, &preference), ImageError::kNone);
    return preference;
  }

  PalmDatabase Database(const char* name) const { return vlmtest::DatabaseOf(Image(), name); }

  HandheldImage Image() const { return HandheldImage(m_path); }

  std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = m_work.Path() + "/" + name;
    vlmtest::WriteFile(path, text);
    return path;
  }

  vlmtest::TempFolder m_work;
  std::string m_path;
};

// Named by the request's word.
struct RequestCase : vlmtest::NamedRow {
  uint8_t code;
};

class HandheldRequestTest : public HandheldTest,
                            public ::testing::WithParamInterface<RequestCase> {};

TEST_P(HandheldRequestTest, RequestSetsCodeAndPendingStatusAndKeepsTheOtherBytes) {
  AppPreference before{7, {}};
  for (uint8_t i = 0; i < 18; ++i) before.data.push_back(static_cast<uint8_t>(0xA0 + i));
  ASSERT_EQ(Image().WritePreference(kVlmr, 0, true, before), ImageError::kNone);

  ASSERT_EQ(Run({"request", m_path, GetParam().name}).exitStatus, 0);
  AppPreference after = Preference();
  EXPECT_EQ(after.version, 7);
  AppPreference expected = before;
  expected.data[0] = GetParam().code;
  expected.data[1] = 0xFF;
  EXPECT_EQ(after.data, expected.data);

  ASSERT_EQ(Run({"request", m_path, GetParam().name, "--image-mode", "3"}).exitStatus, 0);
  expected.data[16] = 3;
  EXPECT_EQ(Preference().data, expected.data);
}

INSTANTIATE_TEST_SUITE_P(Requests, HandheldRequestTest,
                         ::testing::Values(RequestCase{"search", 1}, RequestCase{"fetch", 3},
                                           RequestCase{"fax", 5}, RequestCase{"email", 7},
                                           RequestCase{"pcformat", 9}, RequestCase{"receive", 11}),
                         vlmtest::RowName());

TEST_F(HandheldTest, FirstRequestMakesAnEighteenBytePreferenceAndShowRequestReadsIt) {
  EXPECT_EQ(Run({"show-request", m_path}).out, "No request preference.\n");
  ASSERT_EQ(Run({"request", m_path, "fetch", "--image-mode", "2"}).exitStatus, 0);
  std::vector<uint8_t> expected(18, 0);
  expected[0] = 3;
  expected[1] = 0xFF;
  expected[16] = 2;
  EXPECT_EQ(Preference().data, expected);
  EXPECT_EQ(Run({"show-request", m_path}).out,
            "request: 3 (fetch asked)\nstatus: 255 (pending)\nimage mode: 2 (16 greys)\n");

  AppPreference done{1, expected};
  done.data[0] = 2;
  done.data[1] = 4;
  ASSERT_EQ(Image().WritePreference(kVlmr, 0, true, done), ImageError::kNone);
  EXPECT_EQ(Run({"show-request", m_path}).out,
            "request: 2 (search done)\nstatus: 4 (search path does not exist)\n"
            "image mode: 2 (16 greys)\n");
}

TEST_F(HandheldTest, BadRequestsChangeNothing) {
  EXPECT_EQ(Run({"request", m_path, "print"}).exitStatus, 2);
  EXPECT_EQ(Run({"request", m_path, "fetch", "--image-mode", "256"}).exitStatus, 2);
  EXPECT_EQ(Run({"request", m_path}).exitStatus, 2);
  EXPECT_EQ(Run({"request", m_work.Path() + "/missing", "fetch"}).exitStatus, 1);
  AppPreference preference;
  EXPECT_EQ(Image().ReadPreference(kVlmr, 0, true, &preference), ImageError::kNotFound);
}

TEST_F(HandheldTest, SearchFieldsLandAtTheirOffsetsAndTheApplicationsBytesStay) {
  PalmDatabase search;
  search.name = "VlmrSearchDB";
  search.creator = kVlmr;
  search.appInfo.assign(736, 0x5A);
  ASSERT_EQ(Image().SaveDatabase(search), ImageError::kNone);

  const ProgramResult result = Run({"search-fields",
                                    m_path,
                                    "--spec",
                                    "/home/ada/*.doc",
                                    "--text",
                                    "needle",
                                    "--text-search",
                                    "on",
                                    "--list-only",
                                    "off",
                                    "--subfolders",
                                    "yes",
                                    "--fax",
                                    "555",
                                    "--email",
                                    "ada@example.org",
                                    "--third",
                                    "note",
                                    "--receive-selector",
                                    "65539",
                                    "--whole-category",
                                    "on"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::vector<uint8_t> block = Database("VlmrSearchDB").appInfo;
  ASSERT_EQ(block.size(), 736u);
  EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 278),
            std::vector<uint8_t>(278, 0x5A));
  EXPECT_EQ(platform::GetFixedText(block, 278, 128), "/home/ada/*.doc");
  EXPECT_EQ(platform::GetFixedText(block, 406, 64), "needle");
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 470, block.begin() + 598),
            std::vector<uint8_t>(128, 0x5A));  // the conduit's last spec
  EXPECT_EQ(block[598], 1);
  EXPECT_EQ(block[599], 0);
  EXPECT_EQ(block[600], 1);
  EXPECT_EQ(platform::GetFixedText(block, 602, 40), "555");
  EXPECT_EQ(platform::GetFixedText(block, 642, 40), "ada@example.org");
  EXPECT_EQ(platform::GetFixedText(block, 682, 40), "note");
  EXPECT_EQ(block[722], 1);
  EXPECT_EQ(platform::GetU32Be(block, 724), 65539u);
  EXPECT_NE(result.out.find("spec: \"/home/ada/*.doc\"\n"), std::string::npos);
}

TEST_F(HandheldTest, SearchFieldsCreateTheDatabaseAndRefuseTextsTooLongForTheirField) {
  const std::string spec128(128, 's');
  ASSERT_EQ(Run({"search-fields", m_path, "--spec", spec128}).exitStatus, 0);
  PalmDatabase search = Database("VlmrSearchDB");
  EXPECT_EQ(search.creator, kVlmr);
  EXPECT_EQ(search.type, platform::pdb::FourCC("Srch"));
  ASSERT_EQ(search.appInfo.size(), 736u);
  EXPECT_EQ(search.appInfo[278 + 127], 's');  // fills the field, no NUL
  EXPECT_EQ(search.appInfo[406], 0);

  EXPECT_EQ(Run({"search-fields", m_path, "--spec", spec128 + "s"}).exitStatus, 2);
  EXPECT_EQ(Run({"search-fields", m_path, "--text", std::string(64, 't')}).exitStatus, 2);
  EXPECT_EQ(Run({"search-fields", m_path, "--list-only", "maybe"}).exitStatus, 2);
  EXPECT_EQ(Run({"search-fields", m_path, "--receive-selector", "-1"}).exitStatus, 2);
  EXPECT_EQ(Database("VlmrSearchDB").appInfo, search.appInfo);
}

std::vector<uint8_t> SearchResultBytes(const std::string& path, uint32_t size) {
  platform::ByteWriter writer;
  writer.U8(0);
  writer.U8(0);
  writer.FixedText(path, 128);
  for (int stamp = 0; stamp < 2; ++stamp)
    writer.Bytes(std::vector<uint8_t>{208, 1, 3, 5, 14, 7, 0, 0});
  writer.U32Be(size);
  writer.U16Be(0);
  return writer.Take();
}

TEST_F(HandheldTest, ResultsAreListedAndSelectPicksExactlyTheNamedOnes) {
  PalmDatabase search;
  search.name = "VlmrSearchDB";
  search.appInfo.assign(736, 0);
  for (uint32_t i = 0; i < 3; ++i) {
    search.records.push_back({0, i + 1, SearchResultBytes("/pc/" + std::to_string(i), 100 + i)});
  }
  ASSERT_EQ(Image().SaveDatabase(search), ImageError::kNone);
  EXPECT_EQ(Run({"results", m_path}).out,
            "index\tselected\tpath\tcreated\tmodified\tsize\n"
            "0\tno\t/pc/0\t2001-03-05 14:07:00\t2001-03-05 14:07:00\t100\n"
            "1\tno\t/pc/1\t2001-03-05 14:07:00\t2001-03-05 14:07:00\t101\n"
            "2\tno\t/pc/2\t2001-03-05 14:07:00\t2001-03-05 14:07:00\t102\n");

  ASSERT_EQ(Run({"select", m_path, "0", "2"}).exitStatus, 0);
  PalmDatabase after = Database("VlmrSearchDB");
  EXPECT_EQ(after.records[0].data[0], 1);
  EXPECT_EQ(after.records[1].data[0], 0);
  EXPECT_EQ(after.records[2].data[0], 1);
  EXPECT_EQ(after.records[0].attributes, platform::pdb::kRecordDirty);
  EXPECT_EQ(after.records[1].attributes, 0);
  EXPECT_EQ(std::vector<uint8_t>(after.records[1].data.begin() + 1, after.records[1].data.end()),
            std::vector<uint8_t>(search.records[1].data.begin() + 1, search.records[1].data.end()));

  EXPECT_EQ(Run({"select", m_path, "3"}).exitStatus, 1);
  EXPECT_EQ(Run({"select", m_path, "x"}).exitStatus, 1);
  EXPECT_EQ(Database("VlmrSearchDB"), after);
  ASSERT_EQ(Run({"select", m_path, "all"}).exitStatus, 0);
  for (const auto& record : Database("VlmrSearchDB").records) EXPECT_EQ(record.data[0], 1);
  ASSERT_EQ(Run({"select", m_path, "none"}).exitStatus, 0);
  for (const auto& record : Database("VlmrSearchDB").records) EXPECT_EQ(record.data[0], 0);
}

TEST_F(HandheldTest, AddTextMakesADirtyHandheldRecordWithItsHead) {
  const std::string file = WriteFile("memo.txt", "line one\nline two");
  ASSERT_EQ(Run({"add-text", m_path, "--file", file, "--category", "3", "--secret"}).exitStatus, 0);
  PalmDatabase files = Database("VlmrFilesDB");
  EXPECT_EQ(files.creator, kVlmr);
  EXPECT_EQ(files.type, platform::pdb::FourCC("File"));
  ASSERT_EQ(files.records.size(), 1u);
  const auto& record = files.records[0];
  EXPECT_EQ(record.attributes, 0x40 | 0x10 | 3);
  EXPECT_NE(record.uniqueId, 0u);
  const std::vector<uint8_t>& data = record.data;
  ASSERT_EQ(data.size(), 201u + 17 + 1);
  EXPECT_EQ(platform::GetU16Be(data, 0), 0);
  EXPECT_EQ(platform::GetFixedText(data, 2, 40), "memo.txt");
  EXPECT_EQ(platform::GetFixedText(data, 42, 128), "memo.txt");
  EXPECT_GE(data[170], 20);  // created: century
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 170, data.begin() + 178),
            std::vector<uint8_t>(data.begin() + 178, data.begin() + 186));
  EXPECT_EQ(platform::GetU16Be(data, 194), 0);
  EXPECT_EQ(platform::GetU32Be(data, 196), 17u);
  EXPECT_EQ(data[200], 1);
  EXPECT_EQ(std::string(data.begin() + 201, data.end()), std::string("line one\nline two\0", 18));

  const std::string out = m_work.Path() + "/out.txt";
  ASSERT_EQ(Run({"extract", m_path, "0", out}).exitStatus, 0);
  EXPECT_EQ(vlmtest::ReadFile(out), "line one\nline two");
  EXPECT_EQ(Run({"files", m_path}).out,
            "index\tfile ID\ttitle\tkind\tsize\trecord size\tcategory\tattributes\trecord ID\n"
            "0\t0\tmemo.txt\t1 (text)\t17\t219\t3\t0x50 (dirty,secret)\t0x000001\n");
}

TEST_F(HandheldTest, AddBitmapTakesItsDepthFromTheBitmapHeader) {
  std::string bitmap(16 + 80 * 160, '\x11');
  const std::string header = {0, char(160), 0, char(160), 0, 80};  // 160 x 160, 80 row bytes
  bitmap.replace(0, header.size(), header);
  bitmap[8] = 4;  // pixel size: 16 greys
  const std::string file = WriteFile("pic.bmp16", bitmap);
  ASSERT_EQ(Run({"add-bitmap", m_path, "--file", file, "--title", "Sketch"}).exitStatus, 0);
  ASSERT_EQ(Run({"add-bitmap", m_path, "--file", file, "--depth", "3"}).exitStatus, 0);
  EXPECT_EQ(Run({"add-bitmap", m_path, "--file", file, "--depth", "4"}).exitStatus, 2);
  PalmDatabase files = Database("VlmrFilesDB");
  ASSERT_EQ(files.records.size(), 2u);
  const std::vector<uint8_t>& data = files.records[0].data;
  ASSERT_EQ(data.size(), 201u + bitmap.size() + 1);
  EXPECT_EQ(platform::GetFixedText(data, 2, 40), "Sketch");
  EXPECT_EQ(platform::GetU16Be(data, 194), 2);
  EXPECT_EQ(platform::GetU32Be(data, 196), bitmap.size());
  EXPECT_EQ(data[200], 2);
  EXPECT_EQ(platform::GetU16Be(files.records[1].data, 194), 3);

  const std::string out = m_work.Path() + "/out.bin";
  ASSERT_EQ(Run({"extract", m_path, "0", out}).exitStatus, 0);
  EXPECT_EQ(vlmtest::ReadFile(out), bitmap);
  EXPECT_EQ(Run({"extract", m_path, "2", out}).exitStatus, 1);
}

// A 320 x 240 white picture: on the handheld's screen it is 160 x 120,
// between black bars of 20 rows above and below.
std::string WritePicture(const std::string& path, const char* format) {
  Magick::InitializeMagick(nullptr);
  Magick::Image picture(Magick::Geometry(320, 240), Magick::Color("white"));
  picture.magick(format);
  picture.write(path);
  return path;
}

struct AddBitmapCase : vlmtest::NamedRow {
  const char* format;  // of the picture written; nullptr: the bytes of `text`
  const char* text;
  const char* depth;  // --depth, or nullptr
  int exitStatus;
  uint16_t depthCode;
  uint16_t rowBytes;
};

class HandheldAddBitmapTest : public HandheldTest,
                              public ::testing::WithParamInterface<AddBitmapCase> {};

TEST_P(HandheldAddBitmapTest, PicturesBecomeScreenBitmapsAndOtherFilesAreRefused) {
  const AddBitmapCase& c = GetParam();
  const std::string path = m_work.Path() + "/" + c.name;
  if (c.format != nullptr) {
    WritePicture(path, c.format);
  } else {
    vlmtest::WriteFile(path, c.text);
  }
  std::vector<std::string> arguments = {"add-bitmap", m_path, "--file", path};
  if (c.depth != nullptr) arguments.insert(arguments.end(), {"--depth", c.depth});
  const ProgramResult result = Run(arguments);
  ASSERT_EQ(result.exitStatus, c.exitStatus) << result.err;
  if (c.exitStatus != 0) {
    EXPECT_NE(result.err.find(c.name), std::string::npos) << result.err;
    EXPECT_FALSE(Image().HasDatabase("VlmrFilesDB"));
    return;
  }
  const std::vector<uint8_t> data = Database("VlmrFilesDB").records.at(0).data;
  const size_t bitmapSize = 16 + 160u * c.rowBytes + (c.depthCode == 3 ? 1024 : 0);
  ASSERT_EQ(data.size(), 201 + bitmapSize + 1);
  EXPECT_EQ(platform::GetFixedText(data, 2, 40), c.name);
  EXPECT_EQ(platform::GetU16Be(data, 194), c.depthCode);
  EXPECT_EQ(platform::GetU32Be(data, 196), bitmapSize);
  EXPECT_EQ(data[200], 2);
  const std::vector<uint8_t> header(data.begin() + 201, data.begin() + 201 + 6);
  EXPECT_EQ(header, (std::vector<uint8_t>{0, 160, 0, 160, 0, static_cast<uint8_t>(c.rowBytes)}));
  // Grey bitmaps: the top bar is black (every bit set), the middle white.
  auto row = [&](size_t y) {
    auto begin = data.begin() + static_cast<ptrdiff_t>(201 + 16 + y * c.rowBytes);
    return std::vector<uint8_t>(begin, begin + c.rowBytes);
  };
  EXPECT_EQ(row(0), std::vector<uint8_t>(c.rowBytes, 0xFF));
  EXPECT_EQ(row(80), std::vector<uint8_t>(c.rowBytes, 0x00));
}

INSTANTIATE_TEST_SUITE_P(
    Files, HandheldAddBitmapTest,
    ::testing::Values(AddBitmapCase{"white.png", "PNG", nullptr, nullptr, 0, 1, 40},
                      AddBitmapCase{"white.jpg", "JPEG", nullptr, "2", 0, 2, 80},
                      AddBitmapCase{"notes.png", nullptr, "not a picture at all", nullptr, 1, 0, 0},
                      AddBitmapCase{"cut.png", nullptr, "\x89PNG\r\n\x1a\n\0\0\0\rIHDR", nullptr, 1,
                                    0, 0}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

struct ReceiveRecordCase : vlmtest::NamedRow {
  std::string record;  // --record; record 2's unique ID is 0xA0B0C0
  int exitStatus;
  uint32_t selector;  // what the search block then names
};

class HandheldReceiveRecordTest : public HandheldTest,
                                  public ::testing::WithParamInterface<ReceiveRecordCase> {};

TEST_P(HandheldReceiveRecordTest, ARecordIsNamedByIndexIdOrTitle) {
  // Records 0 to 3: "Alpha", "Beta", "12" and a second "Beta".
  for (const char* title : {"Alpha", "Beta", "12", "Beta"}) {
    ASSERT_EQ(
        Run({"add-text", m_path, "--file", WriteFile("t.txt", "x"), "--title", title}).exitStatus,
        0);
  }
  PalmDatabase files = Database("VlmrFilesDB");
  files.records[2].uniqueId = 0xA0B0C0;
  ASSERT_EQ(Image().SaveDatabase(files), ImageError::kNone);

  const ReceiveRecordCase& c = GetParam();
  const ProgramResult result = Run({"request", m_path, "receive", "--record", c.record});
  ASSERT_EQ(result.exitStatus, c.exitStatus) << result.err;
  if (c.exitStatus != 0) {
    AppPreference untouched;
    EXPECT_EQ(Image().ReadPreference(kVlmr, 0, true, &untouched), ImageError::kNotFound);
    EXPECT_FALSE(Image().HasDatabase("VlmrSearchDB"));
    return;
  }
  EXPECT_EQ(Preference().data[0], 11);
  const std::vector<uint8_t> block = Database("VlmrSearchDB").appInfo;
  ASSERT_EQ(block.size(), 736u);
  EXPECT_EQ(block[722], 0);  // one record, not a category
  EXPECT_EQ(platform::GetU32Be(block, 724), c.selector);
}

INSTANTIATE_TEST_SUITE_P(Names, HandheldReceiveRecordTest,
                         ::testing::Values(ReceiveRecordCase{"Index", "1", 0, 1},
                                           ReceiveRecordCase{"IndexBeyondTheRecords", "12", 0, 12},
                                           ReceiveRecordCase{"HexId", "id:0xA0B0C0", 0, 2},
                                           ReceiveRecordCase{"DecimalId", "id:10531008", 0, 2},
                                           ReceiveRecordCase{"Title", "Alpha", 0, 0},
                                           ReceiveRecordCase{"NumberTitle", "title:12", 0, 2},
                                           ReceiveRecordCase{"UnknownTitle", "Gamma", 1, 0},
                                           ReceiveRecordCase{"TitleOfTwoRecords", "Beta", 1, 0},
                                           ReceiveRecordCase{"UnknownId", "id:0xFFFFFF", 1, 0},
                                           ReceiveRecordCase{"IdBeyond24Bits", "id:0x1000000", 2,
                                                             0}),
                         vlmtest::RowName());

TEST_F(HandheldTest, EditMarksTheRecordDirtyAndCanReplaceItsContent) {
  const std::string file = WriteFile("a.txt", "old");
  ASSERT_EQ(Run({"add-text", m_path, "--file", file, "--title", "A"}).exitStatus, 0);
  PalmDatabase files = Database("VlmrFilesDB");
  files.records[0].attributes = 2;  // synced: clean, category 2
  ASSERT_EQ(Image().SaveDatabase(files), ImageError::kNone);

  ASSERT_EQ(Run({"edit", m_path, "0"}).exitStatus, 0);
  PalmDatabase edited = Database("VlmrFilesDB");
  EXPECT_EQ(edited.records[0].attributes, 0x40 | 2);
  EXPECT_EQ(edited.records[0].data, files.records[0].data);

  ASSERT_EQ(Run({"edit", m_path, "0", "--content", WriteFile("b.txt", "brand new")}).exitStatus, 0);
  const PalmDatabase replaced = Database("VlmrFilesDB");
  const std::vector<uint8_t>& data = replaced.records[0].data;
  EXPECT_EQ(platform::GetU32Be(data, 196), 9u);
  EXPECT_EQ(std::string(data.begin() + 201, data.end()), std::string("brand new\0", 10));
  EXPECT_EQ(Run({"edit", m_path, "1"}).exitStatus, 1);
}

TEST_F(HandheldTest, FilesOfANewImageIsAnEmptyList) {
  const ProgramResult result = Run({"files", m_path});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out,
            "index\tfile ID\ttitle\tkind\tsize\trecord size\tcategory\tattributes\trecord ID\n");
}

TEST_F(HandheldTest, ControlCharactersInATitleAreEscapedInTheListing) {
  const std::string file = WriteFile("t.txt", "x");
  ASSERT_EQ(Run({"add-text", m_path, "--file", file, "--title", "a\tb\nc\\d\x1b[31m"}).exitStatus,
            0);
  const std::string out = Run({"files", m_path}).out;
  EXPECT_NE(out.find("\ta\\tb\\nc\\\\d\\x1b[31m\t"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
}

TEST_F(HandheldTest, ATitleAndASourceAreKeptInTheHandheldCharacterSetAndListedAsTyped) {
  const std::string file = WriteFile("t.txt", "x");
  ASSERT_EQ(Run({"add-text", m_path, "--file", file, "--title", "caf\xC3\xA9 \xE2\x82\xAC",
                 "--source", "C:\\caf\xC3\xA9.txt"})
                .exitStatus,
            0);
  const std::vector<uint8_t> record = Database("VlmrFilesDB").records.at(0).data;
  EXPECT_EQ(platform::GetFixedText(record, 2, 40), "caf\xE9 \x80");
  EXPECT_EQ(platform::GetFixedText(record, 42, 128), "C:\\caf\xE9.txt");
  const std::string out = Run({"files", m_path}).out;
  EXPECT_NE(out.find("\tcaf\xC3\xA9 \xE2\x82\xAC\t"), std::string::npos) << out;
}

TEST_F(HandheldTest, CreateKeepsAnExistingUserUnlessForcedAndRefusesOverlongNames) {
  const ProgramResult again = Run({"create", m_path, "--user", "Bea"});
  EXPECT_EQ(again.exitStatus, 1);
  EXPECT_NE(again.err.find("already the handheld of \"Ada\""), std::string::npos) << again.err;
  EXPECT_EQ(Image().ReadUserName(), "Ada");
  ASSERT_EQ(Run({"create", m_path, "--user", "Bea", "--force"}).exitStatus, 0);
  EXPECT_EQ(Image().ReadUserName(), "Bea");

  const std::string other = m_work.Path() + "/other";
  EXPECT_EQ(Run({"create", other, "--user", std::string(40, 'u')}).exitStatus, 2);
  EXPECT_FALSE(HandheldImage(other).Exists());
}

TEST_F(HandheldTest, ADamagedDatabaseIsReportedNotRead) {
  vlmtest::WriteFile(m_path + "/VlmrFilesDB.pdb", "short");
  const ProgramResult result = Run({"files", m_path});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("VlmrFilesDB"), std::string::npos) << result.err;
  EXPECT_EQ(Run({"add-text", m_path, "--file", WriteFile("x.txt", "x")}).exitStatus, 1);
}

}  // namespace
}  // namespace hotsync
