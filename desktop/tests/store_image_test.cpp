// The view's store image on real files: loading short and damaged stores,
// saving over a read-only file, deletion by ID and new IDs.
#include "store_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "crt/crand.h"
#include "desktop_test_support.h"
#include "file_list_filter.h"
#include "fs/fs.h"

namespace desktop {
namespace {

using test::MakeEntry;

class StoreImageTest : public testing::Test {
 protected:
  StoreImage Image() const { return StoreImage(m_sandbox.DataDir()); }
  void AppendBytes(size_t count) const {
    std::ofstream(m_sandbox.StorePath(), std::ios::binary | std::ios::app)
        << std::string(count, '\x7F');
  }
  uint64_t FileSize() const { return platform::GetFileStatus(m_sandbox.StorePath())->size; }

  test::Sandbox m_sandbox;
};

TEST_F(StoreImageTest, MissingStoreGivesTheDefaultHeaderKeepsEntriesAndWritesNothing) {
  StoreImage image = Image();
  image.Apply(ListChange::Add(MakeEntry({.id = 9, .title = "kept"})));
  image.Load();
  EXPECT_EQ(image.Header(), store::FileListStore::DefaultHeader());
  EXPECT_EQ(image.Count(), 1u);
  EXPECT_FALSE(platform::GetFileStatus(m_sandbox.StorePath()).has_value());
}

TEST_F(StoreImageTest, TrailingPartialRecordIsDroppedAtTheNextSave) {
  test::WriteStore(m_sandbox.StorePath(),
                   {MakeEntry({.id = 1, .title = "one"}), MakeEntry({.id = 2, .title = "two"})});
  AppendBytes(100);
  ASSERT_EQ(FileSize(), 320u + 2 * 378 + 100);
  StoreImage image = Image();
  image.Load();
  ASSERT_EQ(image.Count(), 2u);
  EXPECT_EQ(image.Entries()[1].title, "two");
  ASSERT_EQ(image.Save(), 0);
  EXPECT_EQ(FileSize(), 320u + 2 * 378);
}

TEST_F(StoreImageTest, ShortFileGivesAZeroPaddedHeaderAndNoEntries) {
  test::WriteStore(m_sandbox.StorePath(), {MakeEntry({.id = 9, .title = "replaced"})});
  StoreImage image = Image();
  image.Load();
  ASSERT_EQ(image.Count(), 1u);
  auto header = store::FileListStore::DefaultHeader();
  vlmtest::WriteFile(m_sandbox.StorePath(),
                     std::vector<uint8_t>(header.begin(), header.begin() + 60));
  image.Load();
  EXPECT_EQ(image.Count(), 0u);
  auto labels = CategoryLabelsOf(image.Header());
  EXPECT_EQ(labels[0], "Unfiled");  // bytes 46 to 59 were read
  EXPECT_EQ(labels[1], "");
  EXPECT_EQ(image.Header()[302], 0);  // beyond the file: zero
}

TEST_F(StoreImageTest, UnchangedEntriesAreWrittenBackByteForByte) {
  test::WriteStore(m_sandbox.StorePath(), {MakeEntry({.id = 1, .title = "one"})});
  // Bytes after the title's NUL and in the header's reserved part.
  std::fstream file(m_sandbox.StorePath(), std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(10);
  file.put('\x55');
  file.seekp(320 + 2 + 20);
  file.put('\x66');
  file.close();
  auto before = platform::ReadWholeFile(m_sandbox.StorePath());
  StoreImage image = Image();
  image.Load();
  ASSERT_EQ(image.Save(), 0);
  EXPECT_EQ(platform::ReadWholeFile(m_sandbox.StorePath()), before);
}

TEST_F(StoreImageTest, ReadOnlyStoreIsRefusedAndLeftAsItWas) {
  test::WriteStore(m_sandbox.StorePath(), {MakeEntry({.id = 1, .title = "one"})});
  ASSERT_EQ(chmod(m_sandbox.StorePath().c_str(), 0444), 0);
  StoreImage image = Image();
  image.Load();
  image.Apply(ListChange::Add(MakeEntry({.id = 2, .title = "two"})));
  EXPECT_NE(image.Save(), 0);
  EXPECT_EQ(FileSize(), 320u + 378);
}

TEST_F(StoreImageTest, RemoveTakesTheFirstEntryWithTheId) {
  test::WriteStore(m_sandbox.StorePath(), {MakeEntry({.id = 5, .title = "first"}),
                                           MakeEntry({.id = 5, .title = "second"})});
  StoreImage image = Image();
  image.Load();
  EXPECT_TRUE(image.Apply(ListChange::Delete(5)));
  ASSERT_EQ(image.Count(), 1u);
  EXPECT_EQ(image.Entries()[0].title, "second");
  EXPECT_FALSE(image.Apply(ListChange::Delete(6)));
  EXPECT_EQ(image.FindById(5)->title, "second");
}

TEST_F(StoreImageTest, NewIdsDifferWhenTheGeneratorRepeats) {
  StoreImage image = Image();
  platform::CSrand(1234);
  uint16_t first = image.NewEntryId();
  image.Apply(ListChange::Add(MakeEntry({.id = first, .title = "first"})));
  platform::CSrand(1234);
  uint16_t second = image.NewEntryId();
  EXPECT_NE(first, second);
  EXPECT_LE(second, 32767);
}

}  // namespace
}  // namespace desktop
