#include "fs/fs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <utility>

#include "testing/files.h"
#include "testing/temp_folder.h"

namespace platform {
namespace {

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
  vlmtest::TempFolder dir;
  vlmtest::WriteFile(dir.PathOf("b.txt"), "b");
  vlmtest::WriteFile(dir.PathOf("A.TXT"), "a");
  vlmtest::WriteFile(dir.PathOf("c.doc"), "c");
  std::filesystem::create_directory(dir.PathOf("sub.txt"));
  auto entries = ListDirectory(dir.Path(), "*.txt");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "A.TXT");
  EXPECT_EQ(entries[1].name, "b.txt");
  EXPECT_EQ(entries[2].name, "sub.txt");
  EXPECT_FALSE(entries[0].isDirectory);
  EXPECT_TRUE(entries[2].isDirectory);
  EXPECT_TRUE(ListDirectory(dir.PathOf("missing"), "*").empty());
}

TEST(FileStatus, ReportsSizeTimesAndAbsence) {
  vlmtest::TempFolder dir;
  vlmtest::WriteFile(dir.PathOf("f"), "12345");
  auto status = GetFileStatus(dir.PathOf("f"));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->size, 5u);
  EXPECT_FALSE(status->isDirectory);
  EXPECT_GT(status->lastWriteTime, 0);
  EXPECT_GT(status->creationTime, 0);
  EXPECT_FALSE(GetFileStatus(dir.PathOf("none")));
  EXPECT_FALSE(GetFileStatus(""));
}

TEST(WriteFileAtomically, ReplacesWholeAndLeavesNoTemporary) {
  vlmtest::TempFolder dir;
  std::string path = dir.PathOf("store.dat");
  vlmtest::WriteFile(path, "old contents");
  ASSERT_EQ(WriteFileAtomically(path, {'n', 'e', 'w'}), 0);
  auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "new");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(WriteFileAtomically, FailureLeavesOldFileWhole) {
  vlmtest::TempFolder dir;
  std::string path = dir.PathOf("store.dat");
  vlmtest::WriteFile(path, "old");
  chmod(path.c_str(), 0444);
  EXPECT_EQ(WriteFileAtomically(path, {'x'}), EACCES);
  EXPECT_NE(WriteFileAtomically(dir.PathOf("missing/folder/file"), {'x'}), 0);
  auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "old");
  EXPECT_FALSE(ReadWholeFile(dir.PathOf("nothing")));
}

TEST(ReadWholeFile, RefusesWhatIsNotARegularFileWithoutBlocking) {
  vlmtest::TempFolder dir;
  ASSERT_EQ(mkfifo(dir.PathOf("pipe").c_str(), 0600), 0);  // no writer: a blocking open hangs
  std::filesystem::create_directory(dir.PathOf("folder"));
  vlmtest::WriteFile(dir.PathOf("big"), std::string(101, 'x'));
  struct Case {
    std::string path;
    uint64_t limit;
    int error;
  } cases[] = {
      {dir.PathOf("pipe"), kDefaultReadLimit, kNotRegularFile},
      {"/dev/zero", kDefaultReadLimit, kNotRegularFile},  // would read without end
      {dir.PathOf("folder"), kDefaultReadLimit, EISDIR},
      {dir.PathOf("big"), 100, EFBIG},
      {dir.PathOf("none"), kDefaultReadLimit, ENOENT},
  };
  for (const Case& c : cases) {
    int error = 0;
    EXPECT_FALSE(ReadWholeFile(c.path, c.limit, &error)) << c.path;
    EXPECT_EQ(error, c.error) << c.path;
    // The start of a file is refused alike, a large file excepted.
    error = 0;
    EXPECT_EQ(ReadFileStart(c.path, c.limit, &error).has_value(), c.error == EFBIG) << c.path;
    EXPECT_EQ(error, c.error == EFBIG ? 0 : c.error) << c.path;
  }
  EXPECT_EQ(ReadWholeFile(dir.PathOf("big"), 101).value_or(std::vector<uint8_t>()).size(), 101u);
  EXPECT_EQ(ReadFileStart(dir.PathOf("big"), 100).value_or(std::vector<uint8_t>()).size(), 100u);
  EXPECT_EQ(ReadFileStart(dir.PathOf("big"), 500).value_or(std::vector<uint8_t>()).size(), 101u);
}

TEST(WriteFileAtomically, WritesThroughASymbolicLinkAndKeepsIt) {
  vlmtest::TempFolder dir;
  std::filesystem::create_directory(dir.PathOf("real"));
  vlmtest::WriteFile(dir.PathOf("real/store.dat"), "old");
  std::filesystem::create_symlink("real/store.dat", dir.PathOf("store.dat"));
  ASSERT_EQ(WriteFileAtomically(dir.PathOf("store.dat"), {'n', 'e', 'w'}), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.PathOf("store.dat")));
  auto bytes = ReadWholeFile(dir.PathOf("real/store.dat"));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "new");
}

TEST(WriteFileAtomically, RemovesOnlyStaleTemporariesOfTheSameFile) {
  vlmtest::TempFolder dir;
  auto makeFile = [&](const std::string& name, time_t age) {
    vlmtest::WriteFile(dir.PathOf(name), "x");
    struct timespec times[2] = {{time(nullptr) - age, 0}, {time(nullptr) - age, 0}};
    utimensat(AT_FDCWD, dir.PathOf(name).c_str(), times, 0);
  };
  const time_t old = kStaleTemporaryAge + 60;
  makeFile(".store.dat.Ab3xYz", old);    // left by a killed write: goes
  makeFile(".store.dat.Fresh1", 0);      // a write in progress: stays
  makeFile(".store.dat.lock", old);      // not a temporary name: stays
  makeFile(".other.dat.Ab3xYz", old);    // another file's: stays
  makeFile(".store.dat.Ab3xYz.x", old);  // not the exact pattern: stays
  ASSERT_EQ(WriteFileAtomically(dir.PathOf("store.dat"), {'x'}), 0);
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    names.insert(e.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"store.dat", ".store.dat.Fresh1", ".store.dat.lock",
                                          ".other.dat.Ab3xYz", ".store.dat.Ab3xYz.x"}));
}

TEST(FolderOfPath, SplitsAtLastSlash) {
  EXPECT_EQ(FolderOfPath("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(FolderOfPath("/c.txt"), "/");
  EXPECT_EQ(FolderOfPath("c.txt"), "");
}

// Only '/' ends the folder part: ':' and '\' are ordinary characters.
TEST(FileNameOfPath, TakesThePartAfterTheLastSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/user/notes.txt", "notes.txt"},
      {"/home/anne/report.doc", "report.doc"},
      {"notes.txt", "notes.txt"},
      {"/home/user/a:b.txt", "a:b.txt"},
      {"a:b.txt", "a:b.txt"},
      {"dir\\name.txt", "dir\\name.txt"},
      {"/home/user/", ""},
      {"", ""},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(FileNameOfPath(path), name) << path;
}

TEST(FolderOfModuleAt, FindsTheProgramFolderAndNothingForAnUnmappedAddress) {
  const std::string program =
      FolderOfPath(std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(FolderOfRunningProgram(), program);
  // This test's own code is linked into the program.
  EXPECT_EQ(FolderOfModuleAt(reinterpret_cast<const void*>(&FolderOfModuleAt)), program);
  EXPECT_EQ(FolderOfModuleAt(nullptr), "");
}

TEST(MakeFolders, CreatesMissingParentsAndRefusesAFileInTheWay) {
  vlmtest::TempFolder dir;
  EXPECT_EQ(MakeFolders(dir.PathOf("a/b/c"), 0700), 0);
  auto status = GetFileStatus(dir.PathOf("a/b/c"));
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->isDirectory);
  EXPECT_EQ(MakeFolders(dir.PathOf("a/b"), 0700), 0);  // already there
  vlmtest::WriteFile(dir.PathOf("file"), "x");
  EXPECT_EQ(MakeFolders(dir.PathOf("file"), 0700), ENOTDIR);
  EXPECT_NE(MakeFolders(dir.PathOf("file/below"), 0700), 0);
}

}  // namespace
}  // namespace platform
