// FileListStore on real files: the header, loading whole and partial stores,
// the two missing-store behaviours, saving, IDs.
#include "file_list_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "crt/crand.h"
#include "fs/fs.h"
#include "testing/files.h"
#include "testing/temp_folder.h"

namespace store {
namespace {

constexpr size_t kEntrySize = FileListEntry::kSize;
constexpr size_t kHeaderSize = FileListStore::kHeaderSize;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  return platform::ReadWholeFile(path).value_or(std::vector<uint8_t>{});
}

// A store image of `size` bytes whose every byte is a function of its offset.
std::vector<uint8_t> PatternImage(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

FileListEntry EntryWithId(uint16_t id, std::string title = "") {
  FileListEntry entry;
  entry.id = id;
  entry.title = std::move(title);
  return entry;
}

TEST(FileListStore, DefaultHeaderHasItsExactBytes) {
  std::vector<uint8_t> expected(kHeaderSize, 0);
  expected[0] = 1;  // 16-bit 1, then 16-bit 0
  auto label = [&](int index, std::string text) {
    std::copy(text.begin(), text.end(), expected.begin() + 46 + 16 * index);
  };
  label(0, "Unfiled");
  label(1, "Personal");
  label(2, "Business");
  for (int i = 0; i < 16; ++i) expected[302 + i] = static_cast<uint8_t>(i);
  expected[318] = 15;

  FileListStore::Header header = FileListStore::DefaultHeader();
  EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.end()), expected);

  FileListStore store;
  store.ResetHeader();
  EXPECT_EQ(store.GetHeader(), header);
  EXPECT_EQ(store.CategoryLabel(0), "Unfiled");
  EXPECT_EQ(store.CategoryLabel(2), "Business");
  EXPECT_EQ(store.CategoryLabel(3), "");
  EXPECT_EQ(store.CategoryLabel(-1), "");
  EXPECT_EQ(store.CategoryLabel(16), "");
}

TEST(FileListStore, CategoryLabelEndsAtTheFieldWhenItHasNoNul) {
  FileListStore::Header header{};
  std::fill(header.begin() + 46 + 16 * 15, header.begin() + 46 + 16 * 16, 'z');
  FileListStore store;
  store.SetHeader(header);
  EXPECT_EQ(store.CategoryLabel(15), std::string(16, 'z'));
}

TEST(FileListStore, PathInAppendsTheFileName) {
  EXPECT_EQ(FileListStore::PathIn("/data/vlm"), "/data/vlm/Vellamore.dat");
  EXPECT_EQ(FileListStore::PathIn("/data/vlm/"), "/data/vlm//Vellamore.dat");
}

// Files of every interesting length: the header is read as far as it goes,
// then whole entries; a shorter remainder is dropped at the next save.
TEST(FileListStore, LoadsWholeEntriesAndSavesWithoutTheRemainder) {
  struct Case {
    size_t fileSize;
    size_t entries;
  } cases[] = {
      {0, 0},
      {100, 0},
      {kHeaderSize - 1, 0},
      {kHeaderSize, 0},
      {kHeaderSize + kEntrySize - 1, 0},
      {kHeaderSize + kEntrySize, 1},
      {kHeaderSize + kEntrySize + 100, 1},
      {kHeaderSize + 2 * kEntrySize + 100, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("file of " + std::to_string(c.fileSize) + " bytes");
    vlmtest::TempFolder dir;
    std::string path = FileListStore::PathIn(dir.Path());
    std::vector<uint8_t> image = PatternImage(c.fileSize);
    vlmtest::WriteFile(path, image);

    FileListStore store;
    store.Append(EntryWithId(9));  // replaced by what the file holds
    ASSERT_TRUE(store.Load(path, FileListStore::MissingStore::kDefaultHeader));
    EXPECT_EQ(store.Entries().size(), c.entries);

    // A short header is padded with zeros.
    std::vector<uint8_t> header(kHeaderSize, 0);
    std::copy_n(image.begin(), std::min(image.size(), kHeaderSize), header.begin());
    EXPECT_EQ(std::vector<uint8_t>(store.GetHeader().begin(), store.GetHeader().end()), header);

    ASSERT_EQ(store.Save(path), 0);
    std::vector<uint8_t> saved = ReadBytes(path);
    ASSERT_EQ(saved.size(), kHeaderSize + c.entries * kEntrySize);
    std::vector<uint8_t> expected = header;
    expected.insert(expected.end(), image.begin() + std::min(image.size(), kHeaderSize),
                    image.begin() + std::min(image.size(), kHeaderSize + c.entries * kEntrySize));
    EXPECT_EQ(saved, expected);
  }
}

TEST(FileListStore, LoadedEntriesKeepListOrderAndFields) {
  FileListStore written;
  written.ResetHeader();
  written.Append(EntryWithId(5, "first"));
  written.Append(EntryWithId(3, "second"));
  vlmtest::TempFolder dir;
  std::string path = FileListStore::PathIn(dir.Path());
  ASSERT_EQ(written.Save(path), 0);

  FileListStore read;
  ASSERT_TRUE(read.Load(path, FileListStore::MissingStore::kZeroHeader));
  ASSERT_EQ(read.Entries().size(), 2u);
  EXPECT_EQ(read.Entries()[0].title, "first");
  EXPECT_EQ(read.Entries()[1].id, 3);
  EXPECT_EQ(read.GetHeader(), FileListStore::DefaultHeader());
}

TEST(FileListStore, ConduitStartsFromZerosWhenTheStoreIsMissingAndItsSaveCreatesIt) {
  vlmtest::TempFolder dir;
  std::string path = FileListStore::PathIn(dir.Path());
  FileListStore store;
  store.ResetHeader();
  store.Append(EntryWithId(1));
  EXPECT_FALSE(store.Load(path, FileListStore::MissingStore::kZeroHeader));
  EXPECT_EQ(store.GetHeader(), FileListStore::Header{});
  EXPECT_TRUE(store.Entries().empty());
  EXPECT_FALSE(platform::GetFileStatus(path).has_value());  // loading writes nothing

  ASSERT_EQ(store.Save(path), 0);
  EXPECT_EQ(ReadBytes(path), std::vector<uint8_t>(kHeaderSize, 0));
}

TEST(FileListStore, DesktopTakesTheDefaultHeaderAndKeepsItsListWhenTheStoreIsMissing) {
  vlmtest::TempFolder dir;
  std::string path = FileListStore::PathIn(dir.Path());
  FileListStore store;
  store.Append(EntryWithId(11, "shown"));
  EXPECT_FALSE(store.Load(path, FileListStore::MissingStore::kDefaultHeader));
  EXPECT_EQ(store.GetHeader(), FileListStore::DefaultHeader());
  ASSERT_EQ(store.Entries().size(), 1u);
  EXPECT_EQ(store.Entries()[0].title, "shown");
  EXPECT_FALSE(platform::GetFileStatus(path).has_value());
}

TEST(FileListStore, AFolderInPlaceOfTheStoreCountsAsMissing) {
  vlmtest::TempFolder dir;
  std::string path = FileListStore::PathIn(dir.Path());
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  FileListStore store;
  EXPECT_FALSE(store.Load(path, FileListStore::MissingStore::kDefaultHeader));
  EXPECT_EQ(store.GetHeader(), FileListStore::DefaultHeader());
}

TEST(FileListStore, SaveOntoAReadOnlyStoreFailsAndLeavesItWhole) {
  vlmtest::TempFolder dir;
  std::string path = FileListStore::PathIn(dir.Path());
  std::vector<uint8_t> original = PatternImage(kHeaderSize + kEntrySize);
  vlmtest::WriteFile(path, original);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);

  FileListStore store;
  ASSERT_TRUE(store.Load(path, FileListStore::MissingStore::kDefaultHeader));
  store.Append(EntryWithId(2));
  EXPECT_EQ(store.Save(path), EACCES);
  EXPECT_EQ(ReadBytes(path), original);
  EXPECT_EQ(store.Entries().size(), 2u);  // the change stays in memory
  // No temporary file is left behind.
  EXPECT_EQ(platform::ListDirectory(dir.Path(), "*").size(), 1u);
}

TEST(FileListStore, SaveIntoAMissingFolderFails) {
  vlmtest::TempFolder dir;
  FileListStore store;
  EXPECT_EQ(store.Save(FileListStore::PathIn(dir.PathOf("absent"))), ENOENT);
}

TEST(FileListStore, FindByIdTakesTheFirstInListOrder) {
  FileListStore store;
  store.Append(EntryWithId(4, "a"));
  store.Append(EntryWithId(7, "b"));
  store.Append(EntryWithId(7, "c"));
  ASSERT_NE(store.FindById(7), nullptr);
  EXPECT_EQ(store.FindById(7)->title, "b");
  EXPECT_EQ(store.FindById(7), &store.Entries()[1]);
  EXPECT_EQ(store.FindById(5), nullptr);
  const FileListStore& constStore = store;
  EXPECT_EQ(constStore.FindById(4)->title, "a");
}

TEST(FileListStore, NewIdSkipsEveryIdInUse) {
  // Take the first values the generator gives, so that NewId has to draw
  // past all of them (and past the repeats among them).
  platform::CSrand(1234);
  std::set<uint16_t> taken;
  FileListStore store;
  for (int i = 0; i < 3000; ++i) {
    uint16_t id = static_cast<uint16_t>(platform::CRand());
    taken.insert(id);
    store.Append(EntryWithId(id));
  }
  platform::CSrand(1234);
  for (int i = 0; i < 20; ++i) {
    uint16_t id = store.NewId();
    EXPECT_EQ(taken.count(id), 0u) << id;
    EXPECT_LE(id, platform::kCRandMax);
    taken.insert(id);
    store.Append(EntryWithId(id));
  }
}

TEST(FileListStore, NewIdGoesAboveTheGeneratorsRangeWhenItIsAllTaken) {
  FileListStore store;
  for (int id = 0; id <= platform::kCRandMax; ++id) {
    store.Append(EntryWithId(static_cast<uint16_t>(id)));
  }
  store.Append(EntryWithId(32768));
  EXPECT_EQ(store.NewId(), 32769);
}

TEST(FileListStore, StoreImageRoundTripsByteForByte) {
  std::vector<uint8_t> image = PatternImage(kHeaderSize + 3 * kEntrySize);
  FileListStore store;
  store.LoadFromBytes(image);
  EXPECT_EQ(store.ToBytes(), image);
}

}  // namespace
}  // namespace store
