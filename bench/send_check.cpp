// Driver for bench/send_kill_loop.sh: after a complete HotSync, compares a
// handheld image's "VlmrFilesDB" with "Vellamore.dat" and prints how far
// they disagree, as the user would see it:
//
//   entries  copies  duplicates  missing  orphans  one-time-left
//
// duplicates: listed files with more than one copy under their ID; missing:
// listed files to send with no copy; orphans: copies that no entry names
// and the user did not edit on the handheld; one-time-left: One Time
// entries still waiting after a complete HotSync. All four are 0 when the
// two agree.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "bytes/bytes.h"
#include "file_list_store.h"  // store/
#include "fs/fs.h"
#include "pdb/handheld_image.h"

namespace {

constexpr char kUsage[] = "usage: send_check IMAGE DATA_DIR USER\n";
constexpr size_t kFileIdOffset = 0;

struct Disagreement {
  long duplicates = 0;
  long missing = 0;
  long orphans = 0;
  long oneTimeLeft = 0;
};

bool IsListedForSending(const store::FileListEntry& entry, const std::string& user) {
  if (entry.kind != store::kPcFile || (entry.user != "All" && entry.user != user)) return false;
  if (entry.action == store::kActionDontSend && !entry.lastSent.IsSet()) return false;
  return platform::GetFileStatus(entry.path).has_value();
}

Disagreement Compare(const store::FileListStore& list, const platform::pdb::PalmDatabase& files,
                     const std::string& user) {
  std::map<uint16_t, long> copiesById;
  std::map<uint16_t, bool> named;
  for (const auto& record : files.records) {
    ++copiesById[platform::GetU16Be(record.data, kFileIdOffset)];
  }
  Disagreement found;
  for (const auto& entry : list.Entries()) {
    named[entry.id] = true;
    if (!IsListedForSending(entry, user)) continue;
    const long copies = copiesById[entry.id];
    if (copies > 1) ++found.duplicates;
    if (copies == 0) ++found.missing;
    if (entry.action == store::kActionOneTime) ++found.oneTimeLeft;
  }
  for (const auto& record : files.records) {
    const uint16_t id = platform::GetU16Be(record.data, kFileIdOffset);
    const bool edited = (record.attributes & platform::pdb::kRecordDirty) != 0;
    if (!named[id] && !edited) ++found.orphans;
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  store::FileListStore list;
  if (!list.Load(store::FileListStore::PathIn(argv[2]),
                 store::FileListStore::MissingStore::kZeroHeader)) {
    std::fprintf(stderr, "send_check: cannot read the list in %s\n", argv[2]);
    return 1;
  }
  platform::pdb::PalmDatabase files;
  if (platform::pdb::HandheldImage(argv[1]).LoadDatabase("VlmrFilesDB", &files) !=
      platform::pdb::ImageError::kNone) {
    std::fprintf(stderr, "send_check: cannot read the files database of %s\n", argv[1]);
    return 1;
  }
  const Disagreement found = Compare(list, files, argv[3]);
  std::printf("%zu %zu %ld %ld %ld %ld\n", list.Entries().size(), files.records.size(),
              found.duplicates, found.missing, found.orphans, found.oneTimeLeft);
  return 0;
}
