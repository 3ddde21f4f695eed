// FileListEntry: golden bytes, byte-exact round trips, and cut texts.
#include "file_list_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace store {
namespace {

using Record = std::array<uint8_t, FileListEntry::kSize>;

void PutText(Record& record, size_t offset, const std::string& text) {
  std::copy(text.begin(), text.end(), record.begin() + offset);
}

FileListEntry SampleEntry() {
  FileListEntry entry;
  entry.id = 0x1234;
  entry.title = "Report.doc";
  entry.path = "/home/ann/Report.doc";
  entry.receivedCopy = "";
  entry.user = "All";
  entry.created = HandheldDateTime{{20, 1, 3, 5, 14, 7, 0, 0}};
  entry.modified = HandheldDateTime{{20, 2, 12, 31, 23, 59, 0, 0}};
  entry.lastSent = HandheldDateTime{};
  entry.kind = kPcFile;
  entry.format = kFormatHandheld;
  entry.category = 2;
  entry.action = kActionIfChanged;
  entry.isPrivate = 1;
  entry.changed = 1;
  entry.size = 0x01020304;
  return entry;
}

// The sample entry written out by hand, field by field.
Record SampleRecord() {
  Record record{};
  record[0] = 0x34;
  record[1] = 0x12;
  PutText(record, 2, "Report.doc");
  PutText(record, 42, "/home/ann/Report.doc");
  PutText(record, 298, "All");
  const uint8_t created[] = {20, 1, 3, 5, 14, 7, 0, 0};
  const uint8_t modified[] = {20, 2, 12, 31, 23, 59, 0, 0};
  std::copy(std::begin(created), std::end(created), record.begin() + 338);
  std::copy(std::begin(modified), std::end(modified), record.begin() + 346);
  record[362] = 0;     // kind
  record[364] = 4;     // format
  record[366] = 2;     // category
  record[368] = 3;     // action
  record[370] = 1;     // private
  record[372] = 1;     // changed
  record[374] = 0x04;  // size, little-endian
  record[375] = 0x03;
  record[376] = 0x02;
  record[377] = 0x01;
  return record;
}

Record RandomRecord(uint32_t seed) {
  std::mt19937 generator(seed);
  Record record;
  for (uint8_t& byte : record) byte = static_cast<uint8_t>(generator());
  return record;
}

TEST(FileListEntry, EncodesGoldenBytes) {
  EXPECT_EQ(SampleEntry().Encode(), SampleRecord());
}

TEST(FileListEntry, DecodesGoldenBytes) {
  // Without the remembered bytes, Encode writes only what the fields hold.
  FileListEntry entry = FileListEntry::Decode(SampleRecord());
  entry.decodedFrom = {};
  EXPECT_EQ(entry.Encode(), SampleRecord());
  EXPECT_EQ(entry.path, "/home/ann/Report.doc");
  EXPECT_EQ(entry.size, 0x01020304u);
}

TEST(FileListEntry, UnchangedEntryRoundTripsEveryByte) {
  // Random records have bytes after the NUL of a text field, and text fields
  // with no NUL at all; all of them must come back as they were.
  for (uint32_t seed = 1; seed <= 50; ++seed) {
    Record record = RandomRecord(seed);
    record[2 + 5] = 0;  // a short title followed by leftover bytes
    EXPECT_EQ(FileListEntry::Decode(record).Encode(), record) << "seed " << seed;
  }
}

TEST(FileListEntry, ChangingOneFieldRewritesOnlyThatField) {
  Record record = RandomRecord(7);
  record[2 + 5] = 0;
  FileListEntry entry = FileListEntry::Decode(record);
  entry.title = "New";
  entry.action = kActionDontSend;
  entry.lastSent = HandheldDateTime{{20, 24, 1, 2, 3, 4, 5, 0}};
  Record encoded = entry.Encode();

  Record expected = record;
  std::fill(expected.begin() + 2, expected.begin() + 42, 0);
  PutText(expected, 2, "New");
  expected[368] = kActionDontSend;
  expected[369] = 0;
  const uint8_t sent[] = {20, 24, 1, 2, 3, 4, 5, 0};
  std::copy(std::begin(sent), std::end(sent), expected.begin() + 354);
  EXPECT_EQ(encoded, expected);
}

TEST(FileListEntry, CutsLongTextsAndAlwaysEndsThemWithNul) {
  struct Field {
    std::string FileListEntry::*member;
    size_t offset;
    size_t size;
  } fields[] = {
      {&FileListEntry::title, FileListEntry::kTitleOffset, FileListEntry::kTitleSize},
      {&FileListEntry::path, FileListEntry::kPathOffset, FileListEntry::kPathSize},
      {&FileListEntry::receivedCopy, FileListEntry::kReceivedCopyOffset,
       FileListEntry::kReceivedCopySize},
      {&FileListEntry::user, FileListEntry::kUserOffset, FileListEntry::kUserSize},
  };
  for (const Field& field : fields) {
    for (size_t length : {field.size - 1, field.size, field.size + 50}) {
      FileListEntry entry = FileListEntry::Decode(RandomRecord(3));
      entry.*field.member = std::string(length, 'x');
      Record record = entry.Encode();
      auto begin = record.begin() + field.offset;
      EXPECT_EQ(std::count(begin, begin + field.size - 1, 'x'), field.size - 1)
          << "offset " << field.offset << " length " << length;
      EXPECT_EQ(record[field.offset + field.size - 1], 0)
          << "offset " << field.offset << " length " << length;
      EXPECT_EQ(FileListEntry::Decode(record).*field.member, std::string(field.size - 1, 'x'));
    }
  }
}

TEST(FileListEntry, ShortInputReadsAsZeroPadded) {
  Record full = SampleRecord();
  std::vector<uint8_t> prefix(full.begin(), full.begin() + 50);  // id, title, part of path
  FileListEntry entry = FileListEntry::Decode(prefix);
  EXPECT_EQ(entry.id, 0x1234);
  EXPECT_EQ(entry.title, "Report.doc");
  EXPECT_EQ(entry.path, "/home/an");
  EXPECT_EQ(entry.size, 0u);
  Record expected{};
  std::copy(prefix.begin(), prefix.end(), expected.begin());
  EXPECT_EQ(entry.Encode(), expected);
  EXPECT_EQ(FileListEntry::Decode({}).Encode(), Record{});
}

TEST(FileListEntry, TextFieldWithoutNulReadsToFieldEnd) {
  Record record = SampleRecord();
  std::fill(record.begin() + 2, record.begin() + 42, 'T');
  FileListEntry entry = FileListEntry::Decode(record);
  EXPECT_EQ(entry.title, std::string(40, 'T'));
  EXPECT_EQ(entry.path, "/home/ann/Report.doc");
}

}  // namespace
}  // namespace store
