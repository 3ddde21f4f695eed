// Reading whole databases from the handheld into the backup folder.
#include "manager/device_backup.h"

#include "pdb/handheld_image.h"

namespace hotsync {
namespace {

using platform::Failure;
using platform::Result;
using platform::link::DbInfo;
using platform::link::DlpClient;
using platform::pdb::PalmDatabase;

constexpr uint16_t kResourceAttribute = 0x0001;

bool IsLinkFailure(int code) {
  return code == platform::link::kDlpLinkFailure;
}

// A block the database may not have: none is an empty block.
Result<std::vector<uint8_t>> OptionalBlock(Result<platform::link::DbBlock> block) {
  if (block) return std::move(block->data);
  if (block.Code() == platform::link::kDlpErrNotFound) return std::vector<uint8_t>();
  return block.Error();
}

Result<void> ReadEntries(DlpClient& dlp, uint8_t handle, uint16_t count, PalmDatabase& database) {
  using platform::link::ReadRecordRequest;
  using platform::link::ReadResourceRequest;
  for (uint16_t index = 0; index < count; ++index) {
    if (database.IsResourceDatabase()) {
      ReadResourceRequest request;
      request.handle = handle;
      request.index = index;
      Result<platform::link::ResourceReply> resource = dlp.ReadResource(request);
      if (!resource) return resource.Error();
      database.resources.push_back({resource->type, resource->id, std::move(resource->data)});
    } else {
      ReadRecordRequest request;
      request.by = ReadRecordRequest::By::kIndex;
      request.handle = handle;
      request.index = index;
      Result<platform::link::RecordReply> record = dlp.ReadRecord(request);
      if (!record) return record.Error();
      database.records.push_back(
          {static_cast<uint8_t>((record->attributes & 0xF0) | (record->category & 0x0F)),
           record->recordId, std::move(record->data)});
    }
  }
  return {};
}

Result<PalmDatabase> ReadDatabase(DlpClient& dlp, const DbInfo& info) {
  PalmDatabase database;
  database.name = info.name;
  database.attributes = info.attributes;
  database.version = info.version;
  database.created = info.created.ToPcTime();
  database.modified = info.modified.ToPcTime();
  database.backedUp = info.backedUp.ToPcTime();
  database.modificationNumber = info.modificationNumber;
  database.type = info.type;
  database.creator = info.creator;
  const Result<uint8_t> handle =
      dlp.OpenDB(info.name, platform::link::kDbOpenRead | platform::link::kDbOpenShowSecret);
  if (!handle) return handle.Error();
  Result<void> read = [&]() -> Result<void> {
    const Result<uint16_t> count = dlp.ReadOpenDBInfo(*handle);
    if (!count) return count.Error();
    Result<std::vector<uint8_t>> appInfo = OptionalBlock(dlp.ReadAppBlock({*handle}));
    if (!appInfo) return appInfo.Error();
    database.appInfo = std::move(*appInfo);
    Result<std::vector<uint8_t>> sortInfo = OptionalBlock(dlp.ReadSortBlock({*handle}));
    if (!sortInfo) return sortInfo.Error();
    database.sortInfo = std::move(*sortInfo);
    return ReadEntries(dlp, *handle, *count, database);
  }();
  if (Result<void> closed = dlp.CloseDB(*handle); read && !closed) read = closed;
  if (!read) return read.Error();
  return database;
}

bool IsUnchanged(const platform::pdb::HandheldImage& backup, const DbInfo& info) {
  PalmDatabase copy;
  if (backup.LoadDatabase(info.name, &copy) != platform::pdb::ImageError::kNone) return false;
  return copy.modificationNumber == info.modificationNumber &&
         copy.modified == info.modified.ToPcTime() &&
         copy.IsResourceDatabase() == ((info.attributes & kResourceAttribute) != 0);
}

}  // namespace

BackupSummary BackUpHandheld(DlpClient& dlp, const std::string& backupFolder,
                             const std::string& user, std::ostream& out) {
  BackupSummary summary;
  const std::optional<platform::pdb::HandheldImage> backup =
      platform::pdb::HandheldImage::Create(backupFolder, user);
  if (!backup) {
    out << "Backup: cannot make the folder \"" << backupFolder << "\".\n";
    summary.failed = 1;
    return summary;
  }
  Result<std::vector<DbInfo>> databases = dlp.ReadAllDBs(platform::link::kDbListRam);
  if (!databases) {
    out << "Backup: cannot list the handheld's databases: " << databases.Reason() << ".\n";
    summary.failed = 1;
    return summary;
  }
  for (const DbInfo& info : *databases) {
    if (IsUnchanged(*backup, info)) {
      ++summary.unchanged;
      continue;
    }
    Result<PalmDatabase> database = ReadDatabase(dlp, info);
    if (database && backup->SaveDatabase(*database) == platform::pdb::ImageError::kNone) {
      ++summary.copied;
      continue;
    }
    ++summary.failed;
    out << "Backup: \"" << info.name << "\" was not copied: "
        << (database ? "the backup folder cannot be written" : database.Reason()) << ".\n";
    if (!database && IsLinkFailure(database.Code())) break;
  }
  out << "Backup: " << summary.copied << " database(s) copied, " << summary.unchanged
      << " unchanged" << (summary.failed ? ", " + std::to_string(summary.failed) + " failed" : "")
      << ", in \"" << backupFolder << "\".\n";
  return summary;
}

}  // namespace hotsync
