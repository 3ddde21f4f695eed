// handheld: the handheld companion. Plays the handheld application on a
// handheld image folder: requests, search fields and results, and the files
// database; and plays the handheld itself in a network HotSync. It is how a
// person, a demo or a test drives the system.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_lock.h"
#include "handheld/companion.h"

namespace {

constexpr char kUsage[] =
    "Usage: handheld COMMAND IMAGE [ARGUMENTS]\n"
    "       handheld COMMAND --help\n"
    "\n"
    "Plays the handheld application on the handheld image folder IMAGE.\n"
    "\n"
    "Commands:\n"
    "  create IMAGE --user NAME      make an image for a HotSync user\n"
    "  request IMAGE WHAT            ask for search, fetch, fax, email, pcformat\n"
    "                                or receive at the next HotSync\n"
    "  show-request IMAGE            show the request, its status and image mode\n"
    "  search-fields IMAGE [...]     set and show the search fields\n"
    "  results IMAGE                 list the search results\n"
    "  select IMAGE all|none|N...    pick the results to fetch\n"
    "  files IMAGE                   list the files database\n"
    "  extract IMAGE INDEX OUT       write a record's content to a file\n"
    "  add-text IMAGE --file F ...   add a text made on the handheld\n"
    "  add-bitmap IMAGE --file F ... add a picture (PNG, JPEG or a handheld\n"
    "                                bitmap) made on the handheld\n"
    "  edit IMAGE INDEX              mark a record as changed on the handheld\n"
    "  connect IMAGE [--to HOST:PORT]\n"
    "                                play the handheld in a network HotSync\n"
    "\n"
    "A record's index changes when a HotSync adds or removes records: list\n"
    "them with \"files\" or \"results\" after each HotSync.\n"
    "\n"
    "Commands that change the image do not wait for a HotSync running on it:\n"
    "they say the handheld is busy and change nothing, as on the handheld.\n"
    "\n"
    "Exit status: 0 done, 1 the image, a database or a file could not be used\n"
    "or the handheld is busy with a HotSync, 2 bad usage.\n";

bool AsksForHelp(const std::vector<std::string_view>& words) {
  for (std::string_view word : words) {
    if (word == "--help" || word == "-h") return true;
  }
  return false;
}

int RunCommand(const handheld::CommandSpec& command, const std::vector<std::string_view>& words) {
  if (AsksForHelp(words)) {
    std::cout << command.usage;
    return handheld::kExitOk;
  }
  std::string error;
  std::optional<handheld::Arguments> arguments =
      handheld::Arguments::Parse(words, command.options, &error);
  if (!arguments) return handheld::UsageFail(std::string(command.name) + ": " + error);
  const size_t count = arguments->Positional().size();
  if (count < command.minPositional || count > command.maxPositional) {
    std::cerr << "handheld: " << command.name << ": wrong number of arguments\n" << command.usage;
    return handheld::kExitUsage;
  }
  // Held until the command has written: a HotSync never sees half a change.
  platform::FileLock imageLock;
  if (command.changesImage &&
      !handheld::LockImageForChange(arguments->Positional()[0], imageLock)) {
    return handheld::kExitFailed;
  }
  return command.run(*arguments);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  if (words.empty()) return handheld::UsageFail("a command is needed");
  if (words[0] == "--help" || words[0] == "-h") {
    std::cout << kUsage;
    return handheld::kExitOk;
  }
  std::vector<handheld::CommandSpec> commands;
  handheld::AddRequestCommands(commands);
  handheld::AddSearchCommands(commands);
  handheld::AddFilesCommands(commands);
  handheld::AddConnectCommand(commands);
  for (const handheld::CommandSpec& command : commands) {
    if (command.name == words[0]) {
      return RunCommand(command, std::vector<std::string_view>(words.begin() + 1, words.end()));
    }
  }
  return handheld::UsageFail("unknown command '" + std::string(words[0]) + "'");
}
