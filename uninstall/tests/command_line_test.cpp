// The "-c" folder taken from an uninstall program's arguments.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace uninstall {
namespace {

struct FolderCase {
  std::vector<std::string> arguments;
  std::string folder;
};

class CommandLineFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(CommandLineFolderTest, FindsTheFolderOfTheFileAfterDashC) {
  EXPECT_EQ(CommandLineFolder(GetParam().arguments), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineFolderTest,
    testing::Values(
        // The file as its own argument, and glued to the option.
        FolderCase{{"uninst", "-c", "/usr/lib/vellamore/instaide.so"}, "/usr/lib/vellamore/"},
        FolderCase{{"uninst", "-c/opt/palm/instaide.so"}, "/opt/palm/"},
        // A quoted path with a blank, glued or apart, and split over two
        // arguments by a shell that was given it unquoted.
        FolderCase{{"uninst", "-c\"/opt/palm dir/instaide.so\""}, "/opt/palm dir/"},
        FolderCase{{"uninst", "-c", "\"/opt/palm dir/instaide.so\""}, "/opt/palm dir/"},
        FolderCase{{"uninst", "-c", "/opt/palm", "dir/instaide.so"}, "/opt/palm dir/"},
        // No "-c", a file without a folder, "-c" only inside the program's
        // own path or inside a word.
        FolderCase{{"uninst"}, ""}, FolderCase{{"uninst", "-cinstaide.so"}, ""},
        FolderCase{{"/opt/my-cool/uninst"}, ""},
        FolderCase{{"/opt/my-cool/uninst", "x-c/UnVellamore.so", "-c", "/p/instaide.so"}, "/p/"},
        FolderCase{{"uninst", "-c/é/ü/instaide.so"}, "/é/ü/"}));

}  // namespace
}  // namespace uninstall
