// The folder walk on real folders: order of results, patterns, sub-folders,
// the text filter, the yield before sub-folders, and link loops.
#include "search/folder_walk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "testing/files.h"
#include "testing/temp_folder.h"

namespace conduit::search {
namespace {

namespace fs = std::filesystem;

class FolderWalkTest : public testing::Test {
 protected:
  void SetUp() override {
    Write("b.txt", "plain");
    Write("B.TXT", "upper case name");
    Write("a.doc", "a document with the word Budget");
    Write("noext", "no extension");
    Write("zeta/x.txt", "budget for zeta");
    Write("alpha/y.txt", "nothing");
    Write("alpha/deep/z.txt", "BUDGET");
    Write("alpha/deep/ignore.doc", "budget");
    fs::create_directories(m_root + "/folder.txt");  // a folder the pattern matches
  }

  void Write(const std::string& relative, const std::string& content) {
    vlmtest::WriteFileBelow(m_root, relative, content);
  }

  std::vector<std::string> Walk(WalkRequest request) {
    std::vector<std::string> results;
    WalkFolder(request, results);
    // Relative to the root, to keep the expectations short.
    for (auto& path : results) {
      EXPECT_EQ(path.rfind(m_root + "/", 0), 0u) << path;
      path.erase(0, m_root.size() + 1);
    }
    return results;
  }

  WalkRequest Request(const std::string& pattern, bool subFolders) {
    WalkRequest request;
    request.folder = m_root;
    request.pattern = pattern;
    request.includeSubFolders = subFolders;
    return request;
  }

  vlmtest::TempFolder m_folder;
  const std::string m_root = m_folder.Path();
};

TEST_F(FolderWalkTest, MatchesOfAFolderComeBeforeItsSubFoldersInByteOrder) {
  EXPECT_EQ(Walk(Request("*.txt", true)),
            (std::vector<std::string>{"B.TXT", "b.txt", "alpha/y.txt", "alpha/deep/z.txt",
                                      "zeta/x.txt"}));
}

TEST_F(FolderWalkTest, WithoutSubFoldersOnlyTheFolderItself) {
  EXPECT_EQ(Walk(Request("*.TxT", false)), (std::vector<std::string>{"B.TXT", "b.txt"}));
}

TEST_F(FolderWalkTest, StarDotStarMatchesNamesWithoutADot) {
  EXPECT_EQ(Walk(Request("*.*", false)),
            (std::vector<std::string>{"B.TXT", "a.doc", "b.txt", "noext"}));
  EXPECT_EQ(Walk(Request("?.doc", false)), (std::vector<std::string>{"a.doc"}));
}

TEST_F(FolderWalkTest, TextFilterKeepsOnlyFilesHoldingTheText) {
  WalkRequest request = Request("*.*", true);
  request.text = "budget";
  EXPECT_EQ(Walk(request), (std::vector<std::string>{"a.doc", "alpha/deep/ignore.doc",
                                                     "alpha/deep/z.txt", "zeta/x.txt"}));
}

TEST_F(FolderWalkTest, YieldsOnceBeforeTheSubFoldersOfEachFolder) {
  int yields = 0;
  WalkRequest request = Request("*.txt", true);
  request.yield = [&yields] { ++yields; };
  Walk(request);
  // The root, alpha, alpha/deep, folder.txt and zeta.
  EXPECT_EQ(yields, 5);
  yields = 0;
  request.includeSubFolders = false;
  Walk(request);
  EXPECT_EQ(yields, 0);
}

TEST_F(FolderWalkTest, EmptyPatternOrMissingFolderFindsNothing) {
  EXPECT_TRUE(Walk(Request("", true)).empty());
  WalkRequest request = Request("*.*", true);
  request.folder = m_root + "/does-not-exist";
  std::vector<std::string> results;
  WalkFolder(request, results);
  EXPECT_TRUE(results.empty());
}

TEST_F(FolderWalkTest, LinkBackToAParentIsNotFollowedForEver) {
  fs::create_directory_symlink(m_root, m_root + "/alpha/deep/loop");
  std::vector<std::string> found = Walk(Request("z.txt", true));
  EXPECT_EQ(found, (std::vector<std::string>{"alpha/deep/z.txt"}));
}

TEST_F(FolderWalkTest, LinkToAnotherFolderIsWalkedOnceByTheFirstPathThatReachesIt) {
  fs::create_directory_symlink(m_root + "/zeta", m_root + "/alpha/link");
  EXPECT_EQ(Walk(Request("x.txt", true)), (std::vector<std::string>{"alpha/link/x.txt"}));
}

// A maze like /sys: 21 folders, 16 of them nested in one chain, and 40
// links between them, up, down and across. Walked once per path, it would
// not end; walked once per folder, each folder's file is listed once.
TEST_F(FolderWalkTest, MazeOfLinksListsEachFileOnce) {
  const std::string maze = m_root + "/maze";
  std::vector<std::string> chain, side;
  std::string folder = maze;
  for (int level = 1; level <= 16; ++level) {
    folder += "/c" + std::to_string(level);
    chain.push_back(folder);
  }
  for (int i = 1; i <= 5; ++i) side.push_back(maze + "/s" + std::to_string(i));
  for (const auto& made : {chain, side}) {
    for (const auto& path : made) {
      fs::create_directories(path);
      std::ofstream(path + "/" + fs::path(path).filename().string() + ".txt") << "x";
    }
  }
  int links = 0;
  auto link = [&](const std::string& target, const std::string& at) {
    fs::create_directory_symlink(target, at);
    ++links;
  };
  for (size_t i = 0; i < chain.size(); ++i) {
    link(chain[i / 2], chain[i] + "/up");
    link(side[i % side.size()], chain[i] + "/across");
  }
  for (size_t i = 0; i < 4; ++i) {
    link(chain.back(), side[i] + "/deep");
    link(chain[7], side[i] + "/middle");
  }
  ASSERT_EQ(links, 40);

  WalkRequest request = Request("*.txt", true);
  request.folder = maze;
  std::vector<std::string> found;
  WalkFolder(request, found);
  std::set<std::string> names;
  for (const auto& path : found) names.insert(fs::path(path).filename().string());
  EXPECT_EQ(found.size(), 21u);
  EXPECT_EQ(names.size(), 21u);
}

TEST_F(FolderWalkTest, SystemFoldersAreNotEnteredThroughLinks) {
  for (const char* system : {"/proc", "/sys", "/dev"}) {
    if (!fs::is_directory(system)) continue;
    fs::create_directory_symlink(system, m_root + "/zeta/link" + fs::path(system).stem().string());
  }
  EXPECT_EQ(Walk(Request("*", true)).size(), 8u) << "the eight files of the folder";
}

TEST_F(FolderWalkTest, SearchStartingInsideASystemFolderWalksIt) {
  if (!fs::is_directory("/proc/self")) GTEST_SKIP() << "no /proc here";
  WalkRequest request;
  request.folder = "/proc/self";
  request.pattern = "status";
  std::vector<std::string> found;
  WalkFolder(request, found);
  EXPECT_EQ(found, (std::vector<std::string>{"/proc/self/status"}));
}

TEST(JoinPath, RootFolderIsEmpty) {
  EXPECT_EQ(JoinPath("", "etc"), "/etc");
  EXPECT_EQ(JoinPath("/home/ada", "a:b.txt"), "/home/ada/a:b.txt");
}

}  // namespace
}  // namespace conduit::search
