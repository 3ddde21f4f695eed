// vellamore-start (installed as "vellamore"): starts the desktop program Vellamore, which lives
// beside this launcher. An installed program's folder belongs to root and cannot hold Vellamore.dat
// (nor should it, for root), so when no data directory is set up yet the launcher first sets up
// $XDG_DATA_HOME/Vellamore (created, then written to "DataDir"). The program makes the same choice
// itself when its folder cannot be written to; the launcher also covers root, who could write
// there. Started directly from a source build, the program takes its own folder.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "data_folder.h"

namespace {

constexpr char kDesktopProgram[] = "Vellamore";

void SetUpDataFolderWhenNeeded() {
  if (setup::ConfiguredDataFolder()) return;
  const std::string folder = setup::DefaultDataFolder();
  std::string failedStep;
  if (int error = setup::UseDataFolder(folder, &failedStep); error != 0) {
    std::cerr << "vellamore: " << failedStep << ": " << std::strerror(error) << "\n";
    return;
  }
  std::cerr << "vellamore: data directory " << folder << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  SetUpDataFolderWhenNeeded();
  const std::string program = setup::OwnFolder() + "/" + kDesktopProgram;
  std::vector<char*> arguments(argv, argv + argc);
  arguments[0] = const_cast<char*>(program.c_str());
  arguments.push_back(nullptr);
  execv(program.c_str(), arguments.data());
  std::cerr << "vellamore: cannot start " << program << ": " << std::strerror(errno) << "\n";
  return 127;
}
