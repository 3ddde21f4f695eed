// Palm database files: exact bytes of what we write, round trips, files
// written by an independent tool, and a table of damaged files that must
// fail cleanly.
#include "pdb/palm_database.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fs/fs.h"

namespace platform::pdb {
namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
  auto bytes = ReadWholeFile(std::string(VELLAMORE_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(bytes.has_value()) << name;
  return bytes.value_or(std::vector<uint8_t>());
}

std::vector<uint8_t> Text(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

PalmDatabase SmallRecordDatabase() {
  PalmDatabase db;
  db.name = "Test";
  db.attributes = kDbAttrBackup;
  db.version = 1;
  db.created = 983801220;  // 2001-03-05 14:07:00 UTC
  db.modified = 983801220;
  db.modificationNumber = 2;
  db.type = FourCC("DATA");
  db.creator = FourCC("Vlmr");
  db.uniqueIdSeed = 0x10;
  db.appInfo = {0xA1, 0xA2, 0xA3};
  db.records = {{0x43, 0x123456, Text("ab")}, {kRecordSecret, 7, Text("c")}};
  return db;
}

TEST(SerializePalmDatabase, WritesTheStandardLayout) {
  const std::vector<uint8_t> expected = {
      // name "Test", NUL-padded to 32 bytes
      'T',  'e',  's',  't',  0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  //
      0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  //
      0x00, 0x08,                                                              // attributes: backup
      0x00, 0x01,                                                              // version
      0xB6, 0xC9, 0x4E, 0x04,                          // created, seconds since 1904
      0xB6, 0xC9, 0x4E, 0x04,                          // modified
      0x00, 0x00, 0x00, 0x00,                          // never backed up
      0x00, 0x00, 0x00, 0x02,                          // modification number
      0x00, 0x00, 0x00, 0x60,                          // app-info at 96 = 78 + 2 * 8 + 2
      0x00, 0x00, 0x00, 0x00,                          // no sort-info
      'D',  'A',  'T',  'A',  'V',  'l',  'm',  'r',   //
      0x00, 0x00, 0x00, 0x10,                          // unique-ID seed
      0x00, 0x00, 0x00, 0x00,                          // next record list
      0x00, 0x02,                                      // two entries
      0x00, 0x00, 0x00, 0x63, 0x43, 0x12, 0x34, 0x56,  // record 0 at 99
      0x00, 0x00, 0x00, 0x65, 0x10, 0x00, 0x00, 0x07,  // record 1 at 101
      0x00, 0x00,                                      // placeholder
      0xA1, 0xA2, 0xA3, 'a',  'b',  'c'};
  EXPECT_EQ(SerializePalmDatabase(SmallRecordDatabase()), expected);
}

TEST(SerializePalmDatabase, WritesResourceEntries) {
  PalmDatabase db;
  db.name = "R";
  db.attributes = kDbAttrResource;
  db.resources = {{FourCC("code"), 1, {0xEE}}};
  const auto bytes = SerializePalmDatabase(db);
  ASSERT_EQ(bytes.size(), kHeaderSize + kResourceEntrySize + kPlaceholderSize + 1);
  const std::vector<uint8_t> entry(bytes.begin() + kHeaderSize,
                                   bytes.begin() + kHeaderSize + kResourceEntrySize);
  EXPECT_EQ(entry, (std::vector<uint8_t>{'c', 'o', 'd', 'e', 0, 1, 0, 0, 0, 90}));
  EXPECT_EQ(bytes.back(), 0xEE);
}

TEST(SerializePalmDatabase, RefusesMoreEntriesThanTheCountHolds) {
  PalmDatabase db;
  db.name = "Big";
  db.records.resize(kMaxEntries + 1);
  EXPECT_TRUE(SerializePalmDatabase(db).empty());
  db.records.resize(kMaxEntries);
  EXPECT_FALSE(SerializePalmDatabase(db).empty());
}

TEST(PalmDatabaseRoundTrip, KeepsEveryField) {
  std::vector<PalmDatabase> databases;
  databases.push_back(SmallRecordDatabase());
  PalmDatabase full = SmallRecordDatabase();
  full.sortInfo = {1, 2, 3, 4};
  full.backedUp = 1700000000;
  full.records.push_back({kRecordDeleted | kRecordArchived, 0xFFFFFF, {}});
  full.records.push_back({0x0F, 1, std::vector<uint8_t>(70000, 0x5A)});
  databases.push_back(full);
  PalmDatabase sortOnly;
  sortOnly.name = std::string(kMaxNameLength, 'n');
  sortOnly.sortInfo = {9};
  databases.push_back(sortOnly);
  PalmDatabase resources;
  resources.name = "Res/With Slash";
  resources.attributes = kDbAttrResource | kDbAttrLaunchable;
  resources.resources = {{FourCC("tAIN"), 1000, Text("Name")}, {FourCC("code"), 0, {}}};
  databases.push_back(resources);

  for (const PalmDatabase& db : databases) {
    PdbError error = PdbError::kTruncatedHeader;
    const auto parsed = ParsePalmDatabase(SerializePalmDatabase(db), &error);
    ASSERT_TRUE(parsed.has_value()) << db.name << ": " << Describe(error);
    EXPECT_EQ(error, PdbError::kNone);
    EXPECT_EQ(*parsed, db) << db.name;
  }
}

TEST(PalmDatabaseRoundTrip, CutsNamesToThirtyOneCharacters) {
  PalmDatabase db;
  db.name = std::string(40, 'x');
  auto bytes = SerializePalmDatabase(db);
  EXPECT_EQ(bytes[kMaxNameLength], 0);
  EXPECT_EQ(ParsePalmDatabase(bytes)->name, std::string(kMaxNameLength, 'x'));
  // A file whose name fills all 32 bytes reads as the first 31.
  bytes[kMaxNameLength] = 'y';
  EXPECT_EQ(ParsePalmDatabase(bytes)->name, std::string(kMaxNameLength, 'x'));
}

// Each case damages a good file (two records, an app-info block) in one way.
struct DamagedCase {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> damage;
  PdbError expected;
};

void SetU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  ASSERT_TRUE(PutU32Be(bytes, offset, value));
}

constexpr size_t kAppInfoField = 52;
constexpr size_t kSortInfoField = 56;
constexpr size_t kCountField = 76;
constexpr size_t kFirstEntry = kHeaderSize;
constexpr size_t kSecondEntry = kHeaderSize + kRecordEntrySize;

TEST(ParsePalmDatabase, RefusesDamagedFiles) {
  const DamagedCase cases[] = {
      {"empty file", [](auto& b) { b.clear(); }, PdbError::kTruncatedHeader},
      {"header cut short", [](auto& b) { b.resize(kHeaderSize - 1); }, PdbError::kTruncatedHeader},
      {"entry table cut short", [](auto& b) { b.resize(kSecondEntry + 3); },
       PdbError::kTruncatedEntryTable},
      {"count beyond the file", [](auto& b) { ASSERT_TRUE(PutU16Be(b, kCountField, 0xFFFF)); },
       PdbError::kTruncatedEntryTable},
      {"record beyond the end", [](auto& b) { SetU32(b, kSecondEntry, 5000); },
       PdbError::kOffsetBeyondEnd},
      {"app-info beyond the end", [](auto& b) { SetU32(b, kAppInfoField, 0xFFFFFFF0); },
       PdbError::kOffsetBeyondEnd},
      {"records out of order", [](auto& b) { SetU32(b, kSecondEntry, 98); },
       PdbError::kOffsetsOutOfOrder},
      {"sort-info before app-info", [](auto& b) { SetU32(b, kSortInfoField, 95); },
       PdbError::kOffsetsOutOfOrder},
      {"app-info after the records", [](auto& b) { SetU32(b, kAppInfoField, 102); },
       PdbError::kOffsetsOutOfOrder},
      {"app-info inside the entry table", [](auto& b) { SetU32(b, kAppInfoField, kSecondEntry); },
       PdbError::kOffsetInsideHeader},
      {"record inside the header", [](auto& b) { SetU32(b, kFirstEntry, 10); },
       PdbError::kOffsetInsideHeader},
      {"record offset zero", [](auto& b) { SetU32(b, kFirstEntry, 0); },
       PdbError::kOffsetInsideHeader},
  };
  const std::vector<uint8_t> good = SerializePalmDatabase(SmallRecordDatabase());
  ASSERT_TRUE(ParsePalmDatabase(good).has_value());
  for (const DamagedCase& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.damage(bytes);
    PdbError error = PdbError::kNone;
    EXPECT_FALSE(ParsePalmDatabase(bytes, &error).has_value()) << c.what;
    EXPECT_EQ(error, c.expected) << c.what << ": " << Describe(error);
  }
}

TEST(ParsePalmDatabase, EveryPrefixBeforeTheLastBlockFails) {
  const std::vector<uint8_t> good = SerializePalmDatabase(SmallRecordDatabase());
  const size_t lastOffset = GetU32Be(good, kSecondEntry);
  for (size_t size = 0; size < lastOffset; ++size) {
    const std::vector<uint8_t> prefix(good.begin(), good.begin() + size);
    EXPECT_FALSE(ParsePalmDatabase(prefix).has_value()) << size;
  }
}

TEST(ParsePalmDatabase, AcceptsAFileWithoutPlaceholderBytes) {
  PalmDatabase db;
  db.name = "NoGap";
  db.records = {{0, 1, Text("x")}};
  auto bytes = SerializePalmDatabase(db);
  bytes.erase(bytes.begin() + kHeaderSize + kRecordEntrySize,
              bytes.begin() + kHeaderSize + kRecordEntrySize + kPlaceholderSize);
  SetU32(bytes, kFirstEntry, kHeaderSize + kRecordEntrySize);
  const auto parsed = ParsePalmDatabase(bytes);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->records[0].data, Text("x"));
}

// Files written by palm-pdb (see tests/data/README.md).
TEST(ParsePalmDatabase, ReadsRecordsWrittenByAnotherTool) {
  const auto parsed = ParsePalmDatabase(ReadFixture("FixtureNotesDB.pdb"));
  ASSERT_TRUE(parsed.has_value());
  const PalmDatabase& db = *parsed;
  EXPECT_EQ(db.name, "FixtureNotesDB");
  EXPECT_EQ(FourCCText(db.type), "DATA");
  EXPECT_EQ(FourCCText(db.creator), "Fixt");
  EXPECT_EQ(db.attributes, kDbAttrBackup);
  EXPECT_EQ(db.version, 3);
  EXPECT_EQ(db.created, 983801220);
  EXPECT_EQ(db.modified, 1086595750);
  EXPECT_EQ(db.backedUp, 0);
  EXPECT_EQ(db.modificationNumber, 42u);
  EXPECT_EQ(db.uniqueIdSeed, 0x00B00010u);
  EXPECT_EQ(db.appInfo, Text("AppInfo block: categories live here"));
  EXPECT_TRUE(db.sortInfo.empty());
  ASSERT_EQ(db.records.size(), 5u);
  EXPECT_EQ(db.records[0], (PalmRecord{0x00, 0xB00001, Text("first record, Unfiled")}));
  EXPECT_EQ(db.records[1].attributes, kRecordDirty | 3);
  EXPECT_EQ(db.records[1].Category(), 3);
  EXPECT_TRUE(db.records[2].IsSecret());
  EXPECT_EQ(db.records[2].uniqueId, 0xB00003u);
  EXPECT_TRUE(db.records[3].data.empty());
  EXPECT_EQ(db.records[3].Category(), 5);
  EXPECT_TRUE(db.records[4].IsDeleted());
  EXPECT_TRUE(db.records[4].IsArchived());
  EXPECT_EQ(db.records[4].data, Text("deleted and archived"));

  const auto again = ParsePalmDatabase(SerializePalmDatabase(db));
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(*again, db);
}

TEST(ParsePalmDatabase, ReadsResourcesWrittenByAnotherTool) {
  const auto parsed = ParsePalmDatabase(ReadFixture("Saved Preferences.prc"));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_TRUE(parsed->IsResourceDatabase());
  EXPECT_EQ(parsed->name, "Saved Preferences");
  EXPECT_EQ(FourCCText(parsed->type), "sprf");
  EXPECT_EQ(parsed->created, 1041476645);
  ASSERT_EQ(parsed->resources.size(), 3u);
  const PalmResource* memo = parsed->FindResource(FourCC("memo"), 1);
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->data, (std::vector<uint8_t>{0x00, 0x02, 0xAA, 0xBB}));
  const PalmResource* request = parsed->FindResource(FourCC("Vlmr"), 0);
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(request->data.size(), 20u);
  EXPECT_EQ(parsed->FindResource(FourCC("Vlmr"), 1), nullptr);
  EXPECT_EQ(*ParsePalmDatabase(SerializePalmDatabase(*parsed)), *parsed);
}

TEST(ParsePalmDatabase, ReadsEmptyBlocksWrittenByAnotherTool) {
  // The tool writes app-info and sort-info offsets that both point at the
  // end of the file: present but empty blocks.
  const auto parsed = ParsePalmDatabase(ReadFixture("Empty%2FSlash DB.pdb"));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->name, "Empty/Slash DB");
  EXPECT_TRUE(parsed->records.empty());
  EXPECT_TRUE(parsed->appInfo.empty());
  EXPECT_TRUE(parsed->sortInfo.empty());
}

TEST(PalmDates, ConvertBothForms) {
  struct Case {
    uint32_t palm;
    time_t time;
  } cases[] = {
      {0, 0},                    // never
      {0xB6C94E04, 983801220},   // 1904 form
      {0xFFFFFFFF, 2212122495},  // last 1904 date, 2040-02-06
      {983801220, 983801220},    // top bit clear: the 1970 form
      {1, 1},                    // first second of 1970
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PalmDateToTime(c.palm), c.time) << c.palm;
    EXPECT_EQ(PalmDateToTime(TimeToPalmDate(c.time)), c.time) << c.time;
  }
  EXPECT_EQ(TimeToPalmDate(983801220), 0xB6C94E04u);
  // Times the format cannot hold are clamped, never wrapped.
  EXPECT_EQ(TimeToPalmDate(-5000000000), 1u);
  EXPECT_EQ(TimeToPalmDate(time_t{5000000000}), 0xFFFFFFFFu);
}

TEST(FourCC, PacksFourCharacters) {
  EXPECT_EQ(FourCC("Vlmr"), 0x566C6D72u);
  EXPECT_EQ(FourCC("ab"), 0x61622020u);
  EXPECT_EQ(FourCC("toolong"), FourCC("tool"));
  EXPECT_EQ(FourCCText(0x566C6D72), "Vlmr");
  EXPECT_EQ(FourCCText(0x41000142), "A..B");
}

TEST(NextUniqueId, SkipsZeroAndIdsInUse) {
  PalmDatabase db;
  db.uniqueIdSeed = 5;
  db.records = {{0, 6, {}}, {0, 7, {}}};
  EXPECT_EQ(db.NextUniqueId(), 8u);
  EXPECT_EQ(db.uniqueIdSeed, 8u);
  EXPECT_EQ(db.NextUniqueId(), 9u);
  db.uniqueIdSeed = kMaxUniqueId;
  EXPECT_EQ(db.NextUniqueId(), 1u);  // wraps past zero
  db.uniqueIdSeed = 0xFF000005;      // bits above 24 are not part of an ID
  EXPECT_EQ(db.NextUniqueId(), 8u);
}

}  // namespace
}  // namespace platform::pdb
