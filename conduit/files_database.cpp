// Opening "VlmrFilesDB" for writing, creating it when it is missing.
#include "files_database.h"

#include <algorithm>
#include <iterator>

#include "handheld_records.h"  // records/
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit {

namespace {

int32_t CreateFilesDatabase(HandheldDatabase& database) {
  CDbCreateDB create{};
  create.m_Creator = records::kCreatorId;
  create.m_Flags = 0;
  create.m_CardNo = 0;
  static_assert(sizeof records::kFilesDatabaseName <= sizeof create.m_Name);
  std::copy(std::begin(records::kFilesDatabaseName), std::end(records::kFilesDatabaseName),
            create.m_Name);
  create.m_Type = records::kFilesDatabaseType;
  create.m_Version = 0;
  const int32_t result = SyncCreateDB(&create);
  if (result != kSyncErrNone) {
    LogWarning("Couldn't create the Files database");
    return result;
  }
  database.Adopt(create.m_FileHandle);
  return kSyncErrNone;
}

}  // namespace

int32_t OpenFilesDatabaseForWriting(HandheldDatabase& database) {
  const int32_t result = database.Open(records::kFilesDatabaseName, records::kOpenReadWriteSecret);
  if (result == kSyncErrNone) return kSyncErrNone;
  if (result == kSyncErrNotFound) return CreateFilesDatabase(database);
  LogWarning("Couldn't open the Files database");
  return result;
}

}  // namespace conduit
