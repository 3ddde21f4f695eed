// The conversion cache's entries on disk, and the trimming of its folder.
#include "convert/conversion_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "bytes/bytes.h"
#include "fs/fs.h"

namespace conduit {
namespace {

constexpr std::string_view kMagic = "VLMCACHE";
constexpr std::string_view kEntrySuffix = ".entry";
// An entry holds one record (at most 64 KiB) and its key.
constexpr uint64_t kLargestEntry = uint64_t{1} << 20;

uint64_t Fnv1a64(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

platform::ByteSpan SpanOf(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<uint8_t> EncodeEntry(const std::string& key, const CachedRecord& cached) {
  platform::ByteWriter writer(kMagic.size() + key.size() + cached.record.size() + 16);
  writer.Bytes(SpanOf(kMagic));
  writer.U32Le(static_cast<uint32_t>(key.size()));
  writer.Bytes(SpanOf(key));
  writer.U32Le(static_cast<uint32_t>(cached.titleSuffix.size()));
  writer.Bytes(SpanOf(cached.titleSuffix));
  writer.U32Le(static_cast<uint32_t>(cached.record.size()));
  writer.Bytes(cached.record);
  writer.U32Le(platform::Crc32(writer.View()));
  return writer.Take();
}

// The record of an entry whose key is `key`; none when the entry is
// damaged, cut short or of another key.
std::optional<CachedRecord> DecodeEntry(const std::vector<uint8_t>& entry, const std::string& key) {
  if (entry.size() < kMagic.size() + 16) return std::nullopt;
  const size_t checked = entry.size() - 4;
  const platform::ByteSpan body(entry.data(), checked);
  if (platform::GetU32Le(entry, checked) != platform::Crc32(body)) return std::nullopt;
  platform::ByteReader reader(body);
  const platform::ByteSpan magic = reader.Bytes(kMagic.size());
  const platform::ByteSpan storedKey = reader.Bytes(reader.U32Le());
  const platform::ByteSpan suffix = reader.Bytes(reader.U32Le());
  const platform::ByteSpan record = reader.Bytes(reader.U32Le());
  if (!reader.Ok() || reader.Remaining() != 0 ||
      !std::equal(magic.begin(), magic.end(), kMagic.begin(), kMagic.end()) ||
      !std::equal(storedKey.begin(), storedKey.end(), key.begin(), key.end())) {
    return std::nullopt;
  }
  return CachedRecord{std::vector<uint8_t>(record.begin(), record.end()),
                      std::string(suffix.begin(), suffix.end())};
}

struct EntryFile {
  std::string path;
  uint64_t size = 0;
  timespec used{};
};

bool UsedEarlier(const EntryFile& a, const EntryFile& b) {
  return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec
                                        : a.used.tv_nsec < b.used.tv_nsec;
}

// The entries of the folder, and the temporary files of writes that were
// killed (removed here once they are old enough).
std::vector<EntryFile> ListEntries(const std::string& folder) {
  std::vector<EntryFile> entries;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return entries;
  const time_t now = time(nullptr);
  while (const dirent* found = readdir(dir)) {
    const std::string_view name = found->d_name;
    const std::string path = folder + "/" + std::string(name);
    struct stat status {};
    // An entry another HotSync removed meanwhile is simply not counted.
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    if (name.starts_with('.')) {
      if (now - status.st_mtime > platform::kStaleTemporaryAge) unlink(path.c_str());
    } else if (name.ends_with(kEntrySuffix)) {
      entries.push_back({path, static_cast<uint64_t>(status.st_size), status.st_mtim});
    }
  }
  closedir(dir);
  return entries;
}

}  // namespace

std::string ConversionCache::DefaultFolder() {
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  if (cacheHome != nullptr && cacheHome[0] == '/') return std::string(cacheHome) + "/Vellamore";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/Vellamore";
  return {};
}

std::string ConversionCache::EntryPath(const std::string& key) const {
  char name[32];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(Fnv1a64(key)));
  return m_folder + "/" + name + std::string(kEntrySuffix);
}

std::optional<CachedRecord> ConversionCache::Find(const std::string& key) const {
  if (m_folder.empty()) return std::nullopt;
  const std::string path = EntryPath(key);
  const std::optional<std::vector<uint8_t>> entry = platform::ReadWholeFile(path, kLargestEntry);
  if (!entry) return std::nullopt;
  std::optional<CachedRecord> record = DecodeEntry(*entry, key);
  // A hit is a use: the entry goes to the back of the eviction order.
  if (record) utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
  return record;
}

platform::Result<void> ConversionCache::Store(const std::string& key,
                                              const CachedRecord& record) const {
  if (m_folder.empty() || m_limit == 0) return {};
  int error = platform::MakeFolders(m_folder, 0700);
  if (error == 0) error = platform::WriteFileAtomically(EntryPath(key), EncodeEntry(key, record));
  if (error != 0) {
    return platform::Failure{"the conversion cache \"" + m_folder +
                             "\" cannot be written: " + std::strerror(error)};
  }
  Trim();
  return {};
}

void ConversionCache::Trim() const {
  std::vector<EntryFile> entries = ListEntries(m_folder);
  uint64_t total = 0;
  for (const EntryFile& entry : entries) total += entry.size;
  if (total <= m_limit) return;
  std::sort(entries.begin(), entries.end(), UsedEarlier);
  for (const EntryFile& entry : entries) {
    if (total <= m_limit) break;
    // Gone already (another HotSync trimmed it) counts as removed.
    unlink(entry.path.c_str());
    total -= entry.size;
  }
}

}  // namespace conduit
