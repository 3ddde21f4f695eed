#include "fs/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace platform {
namespace {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm-fs-XXXXXX").string();
    m_path = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(m_path); }
  std::string Path(const std::string& name) const { return m_path + "/" + name; }
  const std::string& Root() const { return m_path; }

 private:
  std::string m_path;
};

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(WildcardMatch, FollowsThePcRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.doc", "Report.DOC", true},
      {"*.doc", "report.docx", false},
      {"*.*", "README", true},
      {"*.*", ".hidden", true},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*", "", true},
      {"", "", true},
      {"", "x", false},
      {"**a", "bba", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
  }
}

TEST(WildcardMatch, LongStarPatternsStayFast) {
  std::string name(5000, 'a');
  std::string pattern;
  for (int i = 0; i < 50; ++i) pattern += "*a";
  pattern += "*b";
  EXPECT_FALSE(WildcardMatch(pattern, name));
}

TEST(ListDirectory, ListsMatchesInByteOrderWithKinds) {
  TempDir dir;
  WriteText(dir.Path("b.txt"), "b");
  WriteText(dir.Path("A.TXT"), "a");
  WriteText(dir.Path("c.doc"), "c");
  std::filesystem::create_directory(dir.Path("sub.txt"));
  auto entries = ListDirectory(dir.Root(), "*.txt");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "A.TXT");
  EXPECT_EQ(entries[1].name, "b.txt");
  EXPECT_EQ(entries[2].name, "sub.txt");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_TRUE(entries[2].isDirectory);
  EXPECT_TRUE(ListDirectory(dir.Path("missing"), "*").empty());
}

TEST(FileStatus, ReportsSizeTimesAndAbsence) {
  TempDir dir;
  WriteText(dir.Path("f"), "12345");
  auto status = GetFileStatus(dir.Path("f"));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->size, 5u);
  EXPECT_FALSE(status->isDirectory);
  EXPECT_GT(status->lastWriteTime, 0);
  EXPECT_GT(status->creationTime, 0);
  EXPECT_FALSE(GetFileStatus(dir.Path("none")));
  EXPECT_FALSE(GetFileStatus(""));
}

TEST(WriteFileAtomically, ReplacesWholeAndLeavesNoTemporary) {
  TempDir dir;
  std::string path = dir.Path("store.dat");
  WriteText(path, "old contents");
  ASSERT_EQ(WriteFileAtomically(path, {'n', 'e', 'w'}), 0);
  auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "new");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Root())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(WriteFileAtomically, FailureLeavesOldFileWhole) {
  TempDir dir;
  std::string path = dir.Path("store.dat");
  WriteText(path, "old");
  chmod(path.c_str(), 0444);
  EXPECT_EQ(WriteFileAtomically(path, {'x'}), EACCES);
  EXPECT_NE(WriteFileAtomically(dir.Path("missing/folder/file"), {'x'}), 0);
  auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "old");
  EXPECT_FALSE(ReadWholeFile(dir.Path("nothing")));
}

TEST(FolderOfPath, SplitsAtLastSlash) {
  EXPECT_EQ(FolderOfPath("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(FolderOfPath("/c.txt"), "/");
  EXPECT_EQ(FolderOfPath("c.txt"), "");
}

TEST(MakeFolders, CreatesMissingParentsAndRefusesAFileInTheWay) {
  TempDir dir;
  EXPECT_EQ(MakeFolders(dir.Path("a/b/c"), 0700), 0);
  auto status = GetFileStatus(dir.Path("a/b/c"));
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->isDirectory);
  EXPECT_EQ(MakeFolders(dir.Path("a/b"), 0700), 0);  // already there
  WriteText(dir.Path("file"), "x");
  EXPECT_EQ(MakeFolders(dir.Path("file"), 0700), ENOTDIR);
  EXPECT_NE(MakeFolders(dir.Path("file/below"), 0700), 0);
}

}  // namespace
}  // namespace platform
