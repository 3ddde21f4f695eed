// Exact bytes of the handheld record layouts, round trips, and short input.
#include "handheld_records.h"  // records/

#include <gtest/gtest.h>

#include <ctime>

#include "handheld_bitmap.h"  // records/
#include "testing/files.h"

namespace records {
namespace {

const time_t kMarch5th2001 = vlmtest::LocalTime(2001, 3, 5, 14, 7, 33);

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t offset, size_t size) {
  return {bytes.begin() + offset, bytes.begin() + offset + size};
}

using Bytes = std::vector<uint8_t>;

TEST(HandheldFileHead, StampOfMarch2001IsStoredWithItsCentury) {
  HandheldFileHead head;
  head.modified = store::HandheldDateTime::FromPcTime(kMarch5th2001, false);
  std::vector<uint8_t> record;
  head.EncodeInto(record);
  ASSERT_EQ(record.size(), file_record::kHeadSize);
  EXPECT_EQ(Slice(record, file_record::kModifiedOffset, 8), (Bytes{20, 1, 3, 5, 14, 7, 0, 0}));
}

TEST(HandheldFileHead, EncodesEveryFieldAtItsOffsetBigEndian) {
  HandheldFileHead head;
  head.fileId = 0x1234;
  head.title = "Report.doc";
  head.sourcePath = "/home/ada/Report.doc";
  head.created.bytes = {20, 1, 1, 2, 3, 4, 0, 0};
  head.sent.bytes = {20, 24, 12, 31, 23, 59, 58, 0};
  head.depthCode = 2;
  head.size = 0x01020304;
  head.contentKind = kContentBitmap;
  std::vector<uint8_t> record(300, 0xEE);  // content after the head stays
  head.EncodeInto(record);

  ASSERT_EQ(record.size(), 300u);
  EXPECT_EQ(Slice(record, 0, 2), (Bytes{0x12, 0x34}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[2])), "Report.doc");
  EXPECT_EQ(record[2 + 39], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[42])), "/home/ada/Report.doc");
  EXPECT_EQ(Slice(record, 170, 8), (Bytes{20, 1, 1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(Slice(record, 186, 8), (Bytes{20, 24, 12, 31, 23, 59, 58, 0}));
  EXPECT_EQ(Slice(record, 194, 2), (Bytes{0, 2}));
  EXPECT_EQ(Slice(record, 196, 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(record[200], kContentBitmap);
  EXPECT_EQ(record[201], 0xEE);

  std::optional<HandheldFileHead> decoded = HandheldFileHead::Decode(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->fileId, 0x1234);
  EXPECT_EQ(decoded->title, "Report.doc");
  EXPECT_EQ(decoded->sourcePath, "/home/ada/Report.doc");
  EXPECT_EQ(decoded->created, head.created);
  EXPECT_EQ(decoded->sent.bytes, head.sent.bytes);
  EXPECT_EQ(decoded->depthCode, 2);
  EXPECT_EQ(decoded->size, 0x01020304u);
  EXPECT_EQ(decoded->contentKind, kContentBitmap);
}

TEST(HandheldFileHead, LongTitleAndPathAreCutAndTerminated) {
  HandheldFileHead head;
  head.title = std::string(60, 'T');
  head.sourcePath = std::string(200, 'p');
  std::vector<uint8_t> record;
  head.EncodeInto(record);
  std::optional<HandheldFileHead> decoded = HandheldFileHead::Decode(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->title, std::string(39, 'T'));
  EXPECT_EQ(decoded->sourcePath, std::string(127, 'p'));
  EXPECT_EQ(record[41], 0);
  EXPECT_EQ(record[169], 0);
}

TEST(HandheldFileHead, FieldWithoutTerminatorEndsAtFieldEnd) {
  std::vector<uint8_t> record(file_record::kHeadSize, 'x');
  std::optional<HandheldFileHead> decoded = HandheldFileHead::Decode(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->title, std::string(40, 'x'));
  EXPECT_EQ(decoded->sourcePath, std::string(128, 'x'));
}

TEST(HandheldFileHead, EveryTruncatedHeadIsRefused) {
  std::vector<uint8_t> record(file_record::kHeadSize, 1);
  for (size_t size = 0; size < file_record::kHeadSize; ++size) {
    EXPECT_FALSE(HandheldFileHead::Decode(std::span(record).first(size))) << size;
  }
}

TEST(HandheldFileHead, HeadReadAndWrittenBackKeepsItsTextFieldsBytes) {
  std::vector<uint8_t> record(file_record::kHeadSize + 3, 0);
  const std::string title = std::string("Memo\0junk", 9);
  std::copy(title.begin(), title.end(), record.begin() + 2);
  record[42] = 'p';
  record[44] = 0x7F;  // after the path's NUL
  const std::vector<uint8_t> original = record;
  std::optional<HandheldFileHead> head = HandheldFileHead::Decode(record);
  ASSERT_TRUE(head);
  head->EncodeInto(record);
  EXPECT_EQ(record, original);

  head->title = "Memo2";
  head->size = 7;
  head->EncodeInto(record);
  EXPECT_EQ(Slice(record, 2, 10), (Bytes{'M', 'e', 'm', 'o', '2', 0, 0, 0, 0, 0}));
  EXPECT_EQ(record[44], 0x7F) << "the unchanged path keeps its bytes";
  EXPECT_EQ(Slice(record, 196, 4), (Bytes{0, 0, 0, 7}));
}

TEST(HandheldFileRecord, IsTheHeadTheContentAndItsZeros) {
  HandheldFileHead head;
  head.title = "a";
  head.contentKind = kContentText;
  const std::vector<uint8_t> record = EncodeFileRecord(head, std::string_view("hi"), 2);
  ASSERT_EQ(record.size(), file_record::kHeadSize + 4);
  EXPECT_EQ(record[2], 'a');
  EXPECT_EQ(record[200], kContentText);
  EXPECT_EQ(Slice(record, 201, 4), (Bytes{'h', 'i', 0, 0}));
  EXPECT_EQ(FileRecordContent(record).size(), 4u);

  struct {
    size_t size;
    size_t content;
  } const cases[] = {{0, 0}, {file_record::kHeadSize, 0}, {file_record::kHeadSize + 1, 1}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> bytes(c.size, 9);
    EXPECT_EQ(FileRecordContent(bytes).size(), c.content) << c.size;
  }
}

TEST(SearchResult, EncodesExactBytes) {
  SearchResult result;
  result.selected = 1;
  result.path = "/srv/docs/a.txt";
  result.created = SearchResultStamp(kMarch5th2001);
  result.modified = SearchResultStamp(kMarch5th2001);
  result.size = 70000;
  const std::vector<uint8_t> bytes = result.Encode();

  ASSERT_EQ(bytes.size(), SearchResult::kSize);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[2])), "/srv/docs/a.txt");
  EXPECT_EQ(Slice(bytes, 130, 8), (Bytes{208, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(Slice(bytes, 138, 8), (Bytes{208, 1, 3, 5, 14, 7, 0, 0}));
  EXPECT_EQ(Slice(bytes, 146, 4), (Bytes{0x00, 0x01, 0x11, 0x70}));
  EXPECT_EQ(Slice(bytes, 150, 2), (Bytes{0, 0}));

  std::optional<SearchResult> decoded = SearchResult::Decode(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->selected, 1);
  EXPECT_EQ(decoded->path, result.path);
  EXPECT_EQ(decoded->size, 70000u);
  EXPECT_EQ(decoded->modified.bytes, result.modified.bytes);
}

TEST(SearchResult, PathIsCutTo127CharactersAndShortRecordsAreRefused) {
  SearchResult result;
  result.path = std::string(300, 'q');
  const std::vector<uint8_t> bytes = result.Encode();
  EXPECT_EQ(bytes[2 + 127], 0);
  EXPECT_EQ(SearchResult::Decode(bytes)->path, std::string(127, 'q'));
  for (size_t size = 0; size < SearchResult::kSize; ++size) {
    EXPECT_FALSE(SearchResult::Decode(std::span(bytes).first(size))) << size;
  }
}

TEST(SearchResultStamp, CenturyByteIsTheYearRoundedDownModulo256) {
  struct Case {
    int year;
    uint8_t century;
  };
  for (const Case& c : {Case{2001, 208}, Case{1999, 108}, Case{1970, 108}, Case{2037, 208}}) {
    const auto stamp = SearchResultStamp(vlmtest::LocalTime(c.year, 1, 15, 12, 0, 45));
    EXPECT_EQ(stamp.bytes[0], c.century) << c.year;
    EXPECT_EQ(stamp.bytes[1], c.year % 100) << c.year;
    EXPECT_EQ(stamp.bytes[6], 0) << "no seconds in a search result stamp";
  }
}

TEST(SearchAppInfo, ReadsEveryHandheldFieldAtItsOffset) {
  std::vector<uint8_t> bytes(SearchAppInfo::kSize, 0);
  auto put = [&](size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + offset);
  };
  put(278, "/home/ada/*.doc");
  put(406, "budget");
  put(602, "+44 1234");
  put(642, "ada@example.org");
  put(682, "see attached");
  bytes[598] = 1;
  bytes[599] = 0;
  bytes[600] = 7;
  bytes[722] = 1;
  bytes[724] = 0xAB;
  bytes[725] = 0xCD;
  bytes[726] = 0x00;
  bytes[727] = 0x05;

  const SearchAppInfo info = SearchAppInfo::FromBytes(bytes);
  EXPECT_EQ(info.SearchSpec(), "/home/ada/*.doc");
  EXPECT_EQ(info.SearchText(), "budget");
  EXPECT_EQ(info.FaxNumber(), "+44 1234");
  EXPECT_EQ(info.EmailAddress(), "ada@example.org");
  EXPECT_EQ(info.ThirdText(), "see attached");
  EXPECT_TRUE(info.TextSearchOn());
  EXPECT_FALSE(info.ListOnly());
  EXPECT_TRUE(info.IncludeSubFolders());
  EXPECT_TRUE(info.ReceiveWholeCategory());
  EXPECT_EQ(info.ReceiveSelector(), 5) << "only the low 16 bits count";
}

TEST(SearchAppInfo, KeepsTheHandheldsBytesThroughARoundTrip) {
  std::vector<uint8_t> bytes(SearchAppInfo::kSize);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  SearchAppInfo info = SearchAppInfo::FromBytes(bytes);
  info.SetLastSearchSpec("/x/*.txt");
  const auto& out = info.Bytes();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i >= 470 && i < 598) continue;
    ASSERT_EQ(out[i], bytes[i]) << "byte " << i;
  }
  EXPECT_EQ(info.LastSearchSpec(), "/x/*.txt");
  EXPECT_EQ(out[470 + 8], 0) << "the rest of the field is cleared";
  EXPECT_EQ(out[597], 0);
}

TEST(SearchAppInfo, SpecOf128CharactersFillsLastSearchSpecWithoutNul) {
  const std::string spec(128, 's');
  SearchAppInfo info;
  info.SetSearchSpec(spec);
  info.SetLastSearchSpec(info.SearchSpec());
  EXPECT_EQ(info.SearchSpec(), spec);
  EXPECT_EQ(info.LastSearchSpec(), spec);
  EXPECT_EQ(info.Bytes()[470 + 127], 's');
  EXPECT_EQ(info.Bytes()[598], 0) << "the next field is untouched";

  info.SetLastSearchSpec(std::string(200, 'L'));
  EXPECT_EQ(info.LastSearchSpec(), std::string(128, 'L'));
  EXPECT_EQ(info.Bytes()[598], 0);
}

TEST(SearchAppInfo, ShortBlockIsZeroPaddedAndLongBlockCut) {
  const std::vector<uint8_t> shortBlock(300, 0x41);
  const SearchAppInfo info = SearchAppInfo::FromBytes(shortBlock);
  EXPECT_EQ(info.Bytes()[299], 0x41);
  EXPECT_EQ(info.Bytes()[300], 0);
  EXPECT_EQ(info.ReceiveSelector(), 0);

  const std::vector<uint8_t> longBlock(1000, 0x42);
  EXPECT_EQ(SearchAppInfo::FromBytes(longBlock).Bytes().size(), SearchAppInfo::kSize);
}

TEST(SearchAppInfo, SettersWriteBigEndianSelectorAndTerminatedTexts) {
  SearchAppInfo info;
  info.SetReceiveSelector(0x00010002);
  info.SetEmailAddress(std::string(50, 'e'));
  EXPECT_EQ(Slice({info.Bytes().begin(), info.Bytes().end()}, 724, 4), (Bytes{0, 1, 0, 2}));
  EXPECT_EQ(info.ReceiveSelector(), 2);
  EXPECT_EQ(info.EmailAddress(), std::string(39, 'e'));
}

TEST(RequestPreference, FieldsAreSingleBytesAtTheirOffsets) {
  RequestPreference preference;
  preference.SetRequest(kRequestReceive);
  preference.SetStatus(RequestPreference::kStatusPending);
  preference.SetImageMode(3);
  EXPECT_EQ(preference.bytes[0], 11);
  EXPECT_EQ(preference.bytes[1], 0xFF);
  EXPECT_EQ(preference.bytes[16], 3);
  EXPECT_EQ(preference.bytes.size(), 18u);
}

TEST(StoredBlocks, ShortOnesAreRefusedOrPaddedAndTheHandheldsTailIsKept) {
  EXPECT_FALSE(RequestPreference::Decode(std::vector<uint8_t>(17, 1)));
  std::vector<uint8_t> stored(20, 0);
  stored[19] = 0x5A;
  RequestPreference preference = RequestPreference::Decode(stored).value();
  preference.SetStatus(RequestPreference::kStatusFailure);
  preference.EncodeInto(stored);
  EXPECT_EQ(stored.size(), 20u);
  EXPECT_EQ(stored[1], RequestPreference::kStatusFailure);
  EXPECT_EQ(stored[19], 0x5A);
  std::vector<uint8_t> empty;
  preference.EncodeInto(empty);
  EXPECT_EQ(empty.size(), RequestPreference::kSize);

  std::vector<uint8_t> block(SearchAppInfo::kSize + 2, 0);
  block.back() = 0x66;
  SearchAppInfo info = SearchAppInfo::FromBytes(block);
  info.SetReceiveSelector(0x00030004);
  info.EncodeInto(block);
  EXPECT_EQ(block.size(), SearchAppInfo::kSize + 2);
  EXPECT_EQ(block.back(), 0x66);
  EXPECT_EQ(SearchAppInfo::FromBytes(block).WholeReceiveSelector(), 0x00030004u);
  std::vector<uint8_t> none;
  info.EncodeInto(none);
  EXPECT_EQ(none.size(), SearchAppInfo::kSize);
}

TEST(HandheldBitmap, DepthIsReadFromAWholeBitmapOnly) {
  const std::vector<uint8_t> greys(bitmap::kPixelCount, 1);
  struct {
    const char* name;
    std::vector<uint8_t> bytes;
    std::optional<uint16_t> code;
  } cases[] = {
      {"2 bits", bitmap::EncodeBitmap(bitmap::kTwoBit, greys), 1},
      {"4 bits", bitmap::EncodeBitmap(bitmap::kFourBit, greys), 2},
      {"8 bits", bitmap::EncodeBitmap(bitmap::kEightBit, greys), 3},
      {"a header alone", Bytes(bitmap::kHeaderSize - 1, 0), std::nullopt},
  };
  cases[3].bytes = Slice(cases[1].bytes, 0, bitmap::kHeaderSize);  // pixels missing
  for (const auto& c : cases) {
    const std::optional<bitmap::Depth> depth = bitmap::DepthOfBitmap(c.bytes);
    ASSERT_EQ(depth.has_value(), c.code.has_value()) << c.name;
    if (depth) {
      EXPECT_EQ(depth->code, *c.code) << c.name;
    }
  }
  std::vector<uint8_t> wrongRows = cases[0].bytes;
  wrongRows[5] = 80;  // row bytes of 4 bits with a pixel size of 2
  EXPECT_FALSE(bitmap::DepthOfBitmap(wrongRows));
  std::vector<uint8_t> narrow = cases[0].bytes;
  narrow[1] = 159;
  EXPECT_FALSE(bitmap::DepthOfBitmap(narrow));
}

}  // namespace
}  // namespace records
