// Converted records kept between HotSyncs, so that a file that did not
// change is not converted again: a listed file sent at every HotSync, a
// file fetched twice.
//
// An entry is keyed by everything its record depends on (see
// ConversionKeyOf): the file's identity and state to the nanosecond, the
// route, the version of the converter and the options that shape the
// result. Each entry is one file in the cache folder, named after a hash
// of its key, that holds the whole key (so two keys with one hash never
// mix) and a checksum:
//
//   "VLMCACHE"  8 bytes
//   key         u32le length, bytes
//   suffix      u32le length, bytes (what follows the file name in the title)
//   record      u32le length, bytes
//   checksum    u32le CRC-32 of everything before it
//
// Entries are written to a temporary file and renamed into place, so a
// reader never sees half an entry, and a damaged one is ignored and
// replaced. The folder is bounded in size: the entries used least recently
// (a hit touches its entry) go first. Two HotSyncs may share the folder; an
// entry that vanishes under one of them is merely a miss. No failure of the
// cache is an error: the record is converted instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "result/result.h"

namespace conduit {

// A converted record as the cache keeps it.
struct CachedRecord {
  std::vector<uint8_t> record;
  std::string titleSuffix;
};

class ConversionCache {
 public:
  // The size the folder is held under unless the settings say otherwise.
  static constexpr uint64_t kDefaultLimit = uint64_t{256} << 20;

  ConversionCache(std::string folder, uint64_t limit)
      : m_folder(std::move(folder)), m_limit(limit) {}

  // "$XDG_CACHE_HOME/Vellamore", by default "~/.cache/Vellamore"; empty
  // when neither is known.
  static std::string DefaultFolder();

  // The record stored under `key`, or none (also for a damaged entry).
  std::optional<CachedRecord> Find(const std::string& key) const;

  // Stores `record` under `key`, then trims the folder to its limit. A
  // failure never stops a conversion (the cache is only ever a saving);
  // its reason is returned so the user can be told.
  platform::Result<void> Store(const std::string& key, const CachedRecord& record) const;

  const std::string& Folder() const { return m_folder; }

 private:
  std::string EntryPath(const std::string& key) const;
  void Trim() const;

  std::string m_folder;
  uint64_t m_limit;
};

}  // namespace conduit
