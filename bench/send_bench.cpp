// Driver for bench/send_listed.sh: whole synchronisations that send N listed
// files, run through the real Sync Manager on a temporary handheld image.
// The first HotSync sends every file under a new ID, the second replaces
// every copy. Prints the entry count and the seconds each HotSync took.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "data_directory.h"
#include "file_list_store.h"  // store/
#include "pdb/handheld_image.h"
#include "settings/settings.h"
#include "sync_driver.h"
#include "syncmgr/conduit_abi.h"
#include "syncmgr/syncmgr.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: send_bench ENTRIES\n"
    "Runs two HotSyncs that send ENTRIES listed files of about 2 KB each to a\n"
    "temporary handheld image (made under /tmp and removed afterwards).\n"
    "Prints: entries, seconds of the first HotSync (new copies), seconds of\n"
    "the second (replaced copies).\n";

std::string MakeRoot() {
  char pattern[] = "/tmp/vlm-bench-send-XXXXXX";
  return mkdtemp(pattern) != nullptr ? pattern : "";
}

bool PrepareStore(const std::string& root, long entries) {
  const std::string data = root + "/data", pc = root + "/pc";
  fs::create_directories(data);
  fs::create_directories(pc);
  std::string content;
  for (int line = 0; line < 40; ++line)
    content += "A line of an ordinary text file, number " + std::to_string(line) + ".\n";
  store::FileListStore list;
  list.ResetHeader();
  for (long i = 0; i < entries; ++i) {
    store::FileListEntry entry;
    entry.id = list.NewId();
    entry.title = "file" + std::to_string(i) + ".txt";
    entry.path = pc + "/" + entry.title;
    std::ofstream(entry.path, std::ios::binary) << content;
    entry.user = "All";
    entry.kind = store::kPcFile;
    entry.format = store::kFormatHandheld;
    entry.category = static_cast<uint16_t>(i % 4);
    entry.action = store::kActionAlways;
    entry.changed = 1;
    list.Append(entry);
  }
  return list.Save(store::FileListStore::PathIn(data)) == 0 &&
         platform::settings::SetValue(conduit::kDirectoriesKey, conduit::kDataDirValue, data) == 0;
}

double TimedHotSync(const std::string& image) {
  const auto start = std::chrono::steady_clock::now();
  if (SyncSessionBegin(image.c_str(), nullptr) != kSyncErrNone) return -1;
  const int32_t result = conduit::RunSynchronisation(kSyncTypeFast, conduit::ConduitOperations());
  SyncSessionEnd();  // writes the image back
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  return result == 0 ? taken.count() : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, argc == 2 ? stdout : stderr);
    return argc == 2 ? 0 : 2;
  }
  const long entries = std::atol(argv[1]);
  if (entries <= 0 || entries > 20000) {
    std::fprintf(stderr, "send_bench: ENTRIES must be 1 to 20000\n");
    return 2;
  }
  const std::string root = MakeRoot();
  if (root.empty()) return 1;
  // Settings and the window station stay inside the temporary folder.
  setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
  fs::create_directories(root + "/run");
  const std::string image = root + "/image";
  int status = 1;
  if (PrepareStore(root, entries) && platform::pdb::HandheldImage::Create(image, "Bench")) {
    const double first = TimedHotSync(image);
    const double second = TimedHotSync(image);
    platform::pdb::PalmDatabase files;
    platform::pdb::HandheldImage(image).LoadDatabase("VlmrFilesDB", &files);
    if (files.records.size() != static_cast<size_t>(entries)) {
      std::fprintf(stderr, "send_bench: %zu records on the handheld, not %ld\n",
                   files.records.size(), entries);
    } else if (first >= 0 && second >= 0) {
      std::printf("%ld %.3f %.3f\n", entries, first, second);
      status = 0;
    } else {
      std::fprintf(stderr, "send_bench: a HotSync failed\n");
    }
  }
  fs::remove_all(root);
  return status;
}
