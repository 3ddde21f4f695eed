// Splitting the search spec and checking its folder.
#include "search/search_spec.h"

#include <gtest/gtest.h>

#include "testing/temp_folder.h"

namespace conduit::search {
namespace {

struct SpecCase {
  const char* spec;
  const char* folder;
  const char* pattern;
  const char* folderToCheck;
};

// Test output names a case by its spec, not by its bytes.
void PrintTo(const SpecCase& c, std::ostream* os) {
  *os << '"' << c.spec << '"';
}

class SearchSpecSplit : public testing::TestWithParam<SpecCase> {};

TEST_P(SearchSpecSplit, FolderPatternAndCheckedFolder) {
  const SpecCase& c = GetParam();
  SearchSpecParts parts = SplitSearchSpec(c.spec);
  EXPECT_EQ(parts.folder, c.folder);
  EXPECT_EQ(parts.pattern, c.pattern);
  EXPECT_EQ(FolderToCheck(c.spec), c.folderToCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Specs, SearchSpecSplit,
    testing::Values(SpecCase{"/home/ada/Documents/*.doc", "/home/ada/Documents", "*.doc",
                             "/home/ada/Documents"},
                    // Without a '/' the whole spec is the pattern, in the root folder.
                    SpecCase{"*.doc", "", "*.doc", ""}, SpecCase{"/*.doc", "", "*.doc", ""},
                    // A colon is part of a name, never a drive.
                    SpecCase{"C:*.doc", "", "C:*.doc", ""},
                    SpecCase{"/data/a:b/c:*.txt", "/data/a:b", "c:*.txt", "/data/a:b"},
                    SpecCase{"rel/x.txt", "rel", "x.txt", "rel"},
                    SpecCase{"/home/ada/", "/home/ada", "", "/home/ada"},
                    SpecCase{"", "", "", ""}));

TEST(SearchFolderExists, OnlyTheRootIsPassedOver) {
  const vlmtest::TempFolder temp;
  const std::string& folder = temp.Path();
  EXPECT_TRUE(SearchFolderExists(folder + "/*.txt"));
  EXPECT_FALSE(SearchFolderExists(folder + "/missing/*.txt"));
  EXPECT_FALSE(SearchFolderExists("x:/*.txt"));  // a short folder is checked too
  EXPECT_TRUE(SearchFolderExists("/no-such-name*.txt"));
  EXPECT_TRUE(SearchFolderExists("*.txt"));
}

}  // namespace
}  // namespace conduit::search
