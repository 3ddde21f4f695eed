// vlmlist: shows and edits the list of PC files that the conduit sends at
// every HotSync ("Vellamore.dat"), from the command line. It does what the
// desktop program's add and delete commands do, for scripts and for people
// without a desktop.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "crt/crand.h"
#include "file_list_lock.h"
#include "file_list_store.h"
#include "fs/fs.h"
#include "program_names.h"
#include "settings/settings.h"

namespace {

const char kUsage[] =
    "Usage: vlmlist [--data-dir DIR] show\n"
    "       vlmlist [--data-dir DIR] add PATH [--user NAME] [--category N]\n"
    "               [--action always|dont-send|one-time|if-changed]\n"
    "               [--format handheld|pc] [--private]\n"
    "       vlmlist [--data-dir DIR] remove ID\n"
    "\n"
    "Shows and edits the list of files that Vellamore sends to the handheld at\n"
    "every HotSync, the list the desktop program shows. It is kept in\n"
    "Vellamore.dat in the data directory that vellamore-setup chose, or in DIR.\n"
    "\n"
    "  show        lists the entries with their IDs\n"
    "  add PATH    lists the file PATH: for every HotSync user (\"All\") in\n"
    "              category 0, sent \"If Changed\" in handheld format, unless the\n"
    "              options say otherwise; --private marks it private\n"
    "  remove ID   takes the entry with that ID off the list\n"
    "\n"
    "Exit status: 0 done, 1 the list or the file could not be used, 2 bad usage.\n";

const char* const kActionNames[] = {"Always", "Don't Send", "One Time", "If Changed", "Received"};

struct Options {
  std::string dataDirectory;
  std::string command;
  std::vector<std::string> arguments;
  std::string user = "All";
  int category = 0;
  int action = store::kActionIfChanged;
  int format = store::kFormatHandheld;
  bool isPrivate = false;
};

int Usage(const char* problem) {
  std::fprintf(stderr, "vlmlist: %s\n\n%s", problem, kUsage);
  return 2;
}

std::optional<int> ParseAction(const std::string& text) {
  if (text == "always") return store::kActionAlways;
  if (text == "dont-send") return store::kActionDontSend;
  if (text == "one-time") return store::kActionOneTime;
  if (text == "if-changed") return store::kActionIfChanged;
  return std::nullopt;
}

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

// Parses the command line; returns an exit status when it should stop.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--private") {
      options.isPrivate = true;
    } else if (arg == "--data-dir" || arg == "--user" || arg == "--category" || arg == "--action" ||
               arg == "--format") {
      const char* text = value();
      if (!text) return Usage((arg + " needs a value").c_str());
      if (arg == "--data-dir") {
        options.dataDirectory = text;
      } else if (arg == "--user") {
        options.user = text;
      } else if (arg == "--category") {
        auto number = ParseNumber(text, 0, 15);
        if (!number) return Usage("the category is a number from 0 to 15");
        options.category = *number;
      } else if (arg == "--action") {
        auto action = ParseAction(text);
        if (!action) return Usage("unknown action");
        options.action = *action;
      } else if (std::string(text) == "handheld" || std::string(text) == "pc") {
        options.format = std::string(text) == "pc" ? store::kFormatPc : store::kFormatHandheld;
      } else {
        return Usage("the format is handheld or pc");
      }
    } else if (arg.starts_with("--")) {
      return Usage(("unknown option " + arg).c_str());
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.arguments.push_back(arg);
    }
  }
  if (options.command.empty()) return Usage("no command given");
  return std::nullopt;
}

std::string StampText(const store::HandheldDateTime& stamp) {
  if (!stamp.IsSet()) return "-";
  const auto& b = stamp.bytes;
  char text[32];
  std::snprintf(text, sizeof text, "%02u%02u-%02u-%02u %02u:%02u", b[0], b[1], b[2], b[3], b[4],
                b[5]);
  return text;
}

int Show(const store::FileListStore& list) {
  std::printf("%-6s %-5s %-10s %-3s %-10s %-8s %-7s %-16s %s\n", "ID", "KIND", "USER", "CAT",
              "ACTION", "FORMAT", "CHANGED", "LAST SENT", "TITLE / PATH");
  for (const auto& entry : list.Entries()) {
    bool received = entry.kind == store::kReceivedFile;
    const char* action = entry.action < 5 ? kActionNames[entry.action] : "?";
    const char* format = received                           ? "received"
                         : entry.format == store::kFormatPc ? "PC"
                                                            : "handheld";
    std::printf("%-6u %-5s %-10s %-3u %-10s %-8s %-7s %-16s %s\n    %s\n", entry.id,
                received ? "in" : "out", entry.user.c_str(), entry.category, action, format,
                entry.changed ? "yes" : "no", StampText(entry.lastSent).c_str(),
                entry.title.c_str(), received ? entry.receivedCopy.c_str() : entry.path.c_str());
  }
  return 0;
}

// `path` from the current folder when it is relative: the conduit reads the
// file from wherever the HotSync runs.
std::optional<std::string> AbsolutePath(std::string path) {
  if (path.starts_with('/')) return path;
  std::vector<char> folder(PATH_MAX + 1);
  if (getcwd(folder.data(), folder.size()) == nullptr) return std::nullopt;
  while (path.starts_with("./")) path.erase(0, 2);
  std::string base = folder.data();
  return base == "/" ? base + path : base + "/" + path;
}

int Add(store::FileListStore& list, const Options& options) {
  if (options.arguments.size() != 1) return Usage("add takes one PATH");
  const std::optional<std::string> absolute = AbsolutePath(options.arguments[0]);
  if (!absolute) {
    std::fprintf(stderr, "vlmlist: cannot tell the current folder: %s\n", std::strerror(errno));
    return 1;
  }
  const std::string& path = *absolute;
  if (path.size() > store::FileListEntry::kPathSize - 1) {
    std::fprintf(stderr, "vlmlist: the path is longer than 127 characters: %s\n", path.c_str());
    return 1;
  }
  if (options.user.size() > store::FileListEntry::kUserSize - 1) {
    std::fprintf(stderr, "vlmlist: the user name is longer than 39 characters\n");
    return 1;
  }
  auto status = platform::GetFileStatus(path);
  if (!status || !status->isRegularFile) {
    // A pipe or a device would only ever be refused at the HotSync.
    std::fprintf(stderr, "vlmlist: %s is not a file that can be read\n", path.c_str());
    return 1;
  }
  store::FileListEntry entry;
  platform::CSrand(static_cast<uint32_t>(std::time(nullptr)));
  entry.id = list.NewId();
  entry.title = platform::FileNameOfPath(path);
  entry.path = path;
  entry.user = options.user;
  entry.created = store::HandheldDateTime::FromPcTime(status->creationTime, false);
  entry.modified = store::HandheldDateTime::FromPcTime(status->lastWriteTime, false);
  entry.kind = store::kPcFile;
  entry.format = static_cast<uint16_t>(options.format);
  entry.category = static_cast<uint16_t>(options.category);
  entry.action = static_cast<uint16_t>(options.action);
  entry.isPrivate = options.isPrivate ? 1 : 0;
  entry.changed = 1;
  entry.size = static_cast<uint32_t>(status->size);
  list.Append(entry);
  std::printf("added %s with ID %u\n", entry.title.c_str(), entry.id);
  return -1;  // save
}

int Remove(store::FileListStore& list, const Options& options) {
  if (options.arguments.size() != 1) return Usage("remove takes one ID");
  auto id = ParseNumber(options.arguments[0], 0, 65535);
  if (!id) return Usage("the ID is a number from 0 to 65535");
  auto& entries = list.Entries();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->id == *id) {
      std::printf("removed %s\n", it->title.c_str());
      entries.erase(it);
      return -1;  // save
    }
  }
  std::fprintf(stderr, "vlmlist: no entry has the ID %d\n", *id);
  return 1;
}

bool ChangesTheList(const std::string& command) {
  return command == "add" || command == "remove";
}

// Takes the list's lock for a command that changes it, waiting while a
// HotSync holds it. A lock that cannot be had at all (a read-only folder,
// say) is no reason to stop: the save then reports what is wrong.
store::FileListLock LockForChange(const std::string& path) {
  store::FileListLock lock;
  auto result = lock.Lock(path, [] {
    std::fputs("vlmlist: waiting for a HotSync to finish...\n", stderr);
    std::fflush(stderr);
  });
  if (result == store::FileListLock::Result::kFailed) {
    std::fprintf(stderr, "vlmlist: going on without locking the list (%s)\n",
                 std::strerror(lock.Error()));
  }
  return lock;
}

int RunCommand(store::FileListStore& list, const Options& options) {
  if (options.command == "show") return Show(list);
  if (options.command == "add") return Add(list, options);
  if (options.command == "remove") return Remove(list, options);
  return Usage(("unknown command " + options.command).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (auto stop = ParseOptions(argc, argv, options)) return *stop;
  if (options.dataDirectory.empty()) {
    options.dataDirectory =
        platform::settings::QueryValue(store::kDirectoriesKey, store::kDataDirValue).value_or("");
  }
  if (options.dataDirectory.empty()) {
    std::fprintf(stderr, "vlmlist: no data directory: give --data-dir or set DataDir\n");
    return 1;
  }
  std::string path = store::FileListStore::PathIn(options.dataDirectory);
  // Held from the load to the save, so that a HotSync's changes and ours
  // both reach the file.
  store::FileListLock lock;
  if (ChangesTheList(options.command)) lock = LockForChange(path);

  store::FileListStore list;
  int loadError = 0;
  if (!list.Load(path, store::FileListStore::MissingStore::kDefaultHeader, &loadError) &&
      loadError != ENOENT) {
    // Saving over a list that exists but cannot be read would lose it.
    std::fprintf(stderr, "vlmlist: cannot read %s: %s\n", path.c_str(),
                 platform::DescribeReadError(loadError).c_str());
    return 1;
  }
  int result = RunCommand(list, options);
  if (result != -1) return result;
  if (int error = list.Save(path); error != 0) {
    std::fprintf(stderr, "vlmlist: cannot write %s: %s\n", path.c_str(), std::strerror(error));
    return 1;
  }
  return 0;
}
