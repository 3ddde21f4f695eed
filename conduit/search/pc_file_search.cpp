// The search request: read and update the search block, check and walk the
// folder, write the results. Every failure after the database was opened
// closes it before the search returns.
#include "search/pc_file_search.h"

#include <cstdint>
#include <string>
#include <vector>

#include "fs/fs.h"
#include "handheld_database.h"
#include "handheld_records.h"  // records/
#include "search/folder_walk.h"
#include "search/search_spec.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit::search {
namespace {

// The search block as read: the fields the conduit knows, and every byte
// the handheld keeps, past the 736 the conduit knows too.
struct StoredSearchBlock {
  records::SearchAppInfo fields;
  std::vector<uint8_t> bytes;
};

bool ReadSearchBlock(const HandheldDatabase& database, StoredSearchBlock& block) {
  std::vector<uint8_t> bytes(UINT16_MAX);  // the largest block there can be
  if (database.ReadAppInfoBlock(bytes) != kSyncErrNone) return false;
  block.fields = records::SearchAppInfo::FromBytes(bytes);
  block.bytes = std::move(bytes);
  return true;
}

// Writes the block back whole: the conduit's fields over the bytes read.
bool WriteSearchBlock(uint8_t handle, const StoredSearchBlock& block) {
  std::vector<uint8_t> bytes = block.bytes;
  block.fields.EncodeInto(bytes);
  CDbGenInfo info{};
  info.m_TotalBytes = static_cast<uint16_t>(bytes.size());
  info.m_pBytes = bytes.data();
  return SyncWriteDBAppInfoBlock(handle, &info) == kSyncErrNone;
}

// The result record of the file at `path`. A file whose status cannot be
// read (it vanished after the walk) is listed with zero stamps and size;
// sizes beyond the 32-bit field read as its largest value.
records::SearchResult ResultFor(const std::string& path, bool selected) {
  records::SearchResult result;
  result.selected = selected ? 1 : 0;
  result.path = path;
  if (auto status = platform::GetFileStatus(path)) {
    result.created = records::SearchResultStamp(status->creationTime);
    result.modified = records::SearchResultStamp(status->lastWriteTime);
    result.size = status->size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(status->size);
  }
  return result;
}

bool WriteResult(uint8_t handle, const records::SearchResult& result) {
  std::vector<uint8_t> bytes = result.Encode();
  CRawRecordInfo record{};
  record.m_FileHandle = handle;
  record.m_RecId = 0;
  record.m_Attribs = 0;
  record.m_CatId = 0;
  record.m_RecSize = static_cast<uint32_t>(bytes.size());
  record.m_TotalBytes = static_cast<uint16_t>(bytes.size());
  record.m_pBytes = bytes.data();
  return SyncWriteRec(&record) == kSyncErrNone;
}

std::vector<std::string> FindFiles(const records::SearchAppInfo& block) {
  std::string spec = block.SearchSpec();
  SearchSpecParts parts = SplitSearchSpec(spec);
  WalkRequest walk;
  walk.folder = std::move(parts.folder);
  walk.pattern = std::move(parts.pattern);
  walk.includeSubFolders = block.IncludeSubFolders();
  if (block.TextSearchOn()) walk.text = block.SearchText();
  walk.yield = [] { SyncYieldCycles(1); };
  std::vector<std::string> found;
  WalkFolder(walk, found);
  return found;
}

}  // namespace

uint8_t RunSearch(bool& stopAfterSearch) {
  HandheldDatabase database;
  if (database.Open(records::kSearchDatabaseName, records::kOpenReadWriteSecret) != kSyncErrNone) {
    LogWarning("Couldn't open Search database");
    return kSearchFailed;
  }
  StoredSearchBlock stored;
  if (!ReadSearchBlock(database, stored)) {
    LogWarning("Couldn't read Search App Info data");
    return kSearchFailed;
  }
  if (SyncPurgeAllRecs(database.Handle()) != kSyncErrNone) LogWarning("SyncPurge failed");

  records::SearchAppInfo& block = stored.fields;
  const std::string spec = block.SearchSpec();
  block.SetLastSearchSpec(spec);
  if (!WriteSearchBlock(database.Handle(), stored)) {
    LogWarning("Couldn't write Search App Info data");
    return kSearchFailed;
  }
  if (!SearchFolderExists(spec)) {
    LogWarning("The search path does not exist on the PC");
    return kSearchPathMissing;
  }

  const bool listOnly = block.ListOnly();
  for (const std::string& path : FindFiles(block)) {
    if (path.size() > records::file_record::kMaxPathLength) continue;
    if (!WriteResult(database.Handle(), ResultFor(path, !listOnly))) {
      LogWarning("Couldn't write Search results");
      return kSearchFailed;
    }
  }
  if (database.Close() != kSyncErrNone) {
    LogWarning("SyncCloseDB failed");
    return kSearchFailed;
  }
  stopAfterSearch = listOnly;
  return kSearchDone;
}

}  // namespace conduit::search
