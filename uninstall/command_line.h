// The command-line folder: where the uninstall program says the HotSync
// Manager's libraries are. The program names a file in that folder after
// "-c" ("-c /usr/lib/vellamore/instaide.so", "-c\"/opt/palm dir/instaide.so\"");
// the folder is that path up to and including its last '/'.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace uninstall {

struct SplitPath {
  std::string folder;  // up to and including the last '/', or ""
  std::string file;    // the rest
};

// Splits `path` at its last '/'. UTF-8 never uses the byte '/' inside a
// multi-byte character, so a byte scan finds only real separators.
SplitPath SplitAtLastSlash(std::string_view path);

// The command-line folder of a process started with `arguments` (argv,
// program first). "-c" counts where an argument begins, after the program's
// own path (which may hold "-c" in a folder name such as "my-cool/"). The
// file is the rest of the command line after "-c", its arguments joined with
// single blanks, without the blanks that lead it and without one opening and
// one closing double quote. "" when there is no "-c" or the file has no '/'.
std::string CommandLineFolder(const std::vector<std::string>& arguments);

// The calling process's arguments, from /proc/self/cmdline; empty when they
// cannot be read.
std::vector<std::string> OwnArguments();

}  // namespace uninstall
