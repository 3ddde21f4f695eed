// Sending the listed files. The new record is written before the handheld's
// earlier copy is deleted, and an entry takes its last-sent stamp, changed 0
// and One Time -> Don't Send only once "VlmrFilesDB" was committed: a file
// that cannot be read, a write that fails or a close that fails leaves the
// entry as it was. New IDs are saved in the list before the commit, so that
// a HotSync interrupted at any point never leaves a copy on the handheld
// that the list does not name.
#include "transfer/send_listed_files.h"

#include <ctime>
#include <optional>
#include <vector>

#include "convert/convert.h"
#include "files_database.h"
#include "fs/fs.h"
#include "handheld_records.h"  // records/
#include "sync_log.h"
#include "syncmgr/syncmgr.h"
#include "transfer/file_id_table.h"
#include "transfer/handheld_record.h"

namespace conduit::transfer {
namespace {

constexpr char kAllUsers[] = "All";
constexpr uint16_t kHighestCategory = 15;

ConversionResult BuildRecord(const store::FileListEntry& entry) {
  return entry.format == store::kFormatPc ? SendAsPcFormat(entry.path)
                                          : ConvertForHandheld(entry.path);
}

uint8_t CategoryOf(const store::FileListEntry& entry) {
  // A damaged entry's category goes to Unfiled rather than into the
  // record's attribute bits.
  return entry.category <= kHighestCategory ? static_cast<uint8_t>(entry.category) : 0;
}

void DeleteRecord(uint8_t handle, uint32_t recordId) {
  CRawRecordInfo info{};
  info.m_FileHandle = handle;
  info.m_RecId = recordId;
  SyncDeleteRec(&info);  // a copy that is already gone needs no deleting
}

void LogCouldNotSend(const store::FileListEntry& entry, const std::string& reason) {
  const std::string line = "Couldn't send " + FileNameOfPath(entry.path) + ": " + reason;
  LogWarning(line.c_str());
}

// The record of the entry's file as listed, or none after logging why: a
// file that cannot be read, is of a refused type or was refused by the
// Install Aide leaves the earlier copy in place.
std::optional<std::vector<uint8_t>> BuildListedRecord(const store::FileListEntry& entry) {
  ConversionResult built = BuildRecord(entry);
  if (built.record && !IsWritableRecord(*built.record)) {
    built.record.reset();
    built.failure = "its record is larger than the handheld holds";
  }
  if (built.record && built.failure.empty()) return std::move(built.record);
  LogCouldNotSend(entry, built.failure.empty() ? "it could not be converted" : built.failure);
  return std::nullopt;
}

// A record written for an entry, waiting for "VlmrFilesDB" to be committed.
struct PendingSend {
  size_t position;     // of the entry in the list
  uint16_t earlierId;  // the entry's ID before this sending
  uint32_t recordId;   // the new record's unique ID on the handheld
  time_t sentAt;
};

// One sending of the listed files into the open "VlmrFilesDB".
class ListedFileSender {
 public:
  ListedFileSender(uint8_t handle, store::FileListStore& fileList, HandheldFileIndex& index,
                   const std::string& userName)
      : m_handle(handle),
        m_fileList(fileList),
        m_index(index),
        m_userName(userName),
        m_ids(index, fileList) {}

  // Writes the record of every entry to send. 0, or the code of the write
  // that failed, which ends the sending.
  int32_t WriteRecords();
  // Saves the list when an entry took a new ID; when that fails, takes the
  // records under new IDs back and returns the save's code.
  int32_t RecordNewIds(const SaveFileList& saveNewIds);
  // The database was committed: every entry written counts as sent.
  void ApplySent();

 private:
  int32_t SendEntry(size_t position, const HandheldFileIndex::Element* handheldCopy);
  bool AnyNewId() const;

  uint8_t m_handle;
  store::FileListStore& m_fileList;
  HandheldFileIndex& m_index;
  const std::string& m_userName;
  FileIdTable m_ids;
  std::vector<PendingSend> m_pending;
};

int32_t ListedFileSender::WriteRecords() {
  auto& entries = m_fileList.Entries();
  for (size_t position = 0; position < entries.size(); ++position) {
    store::FileListEntry& entry = entries[position];
    if (entry.kind != store::kPcFile) continue;
    // ID 0 belongs to fetched files, never to an entry's own copy.
    const HandheldFileIndex::Element* handheldCopy =
        entry.id != 0 ? m_ids.FirstWith(entry.id) : nullptr;
    std::optional<platform::FileStatus> status = platform::GetFileStatus(entry.path);
    if (!status) {
      if (ShouldSend(entry, m_userName, handheldCopy)) {
        LogCouldNotSend(entry, "it was not found");
      }
      continue;
    }
    entry.modified = RestampToMinute(entry.modified, status->lastWriteTime);
    if (!ShouldSend(entry, m_userName, handheldCopy)) continue;
    if (const int32_t written = SendEntry(position, handheldCopy); written != kSyncErrNone) {
      LogWarning("Couldn't write to Files database");
      return written;
    }
  }
  return kSyncErrNone;
}

// Writes one entry that passed the send test. 0 also when its file could
// not be read or converted: that is logged and the entry left as it was.
int32_t ListedFileSender::SendEntry(size_t position,
                                    const HandheldFileIndex::Element* handheldCopy) {
  store::FileListEntry& entry = m_fileList.Entries()[position];
  std::optional<std::vector<uint8_t>> built = BuildListedRecord(entry);
  if (!built) return kSyncErrNone;
  std::vector<uint8_t>& record = *built;

  // The earlier copy is replaced, unless the user edited it on the handheld:
  // then the file goes in under another ID and the edited copy stays.
  const bool replace = handheldCopy != nullptr && !handheldCopy->IsDirty();
  uint16_t fileId = entry.id;
  if (!replace) {
    std::optional<uint16_t> chosen = m_ids.IdForNewCopy(entry.id);
    if (!chosen) {
      LogCouldNotSend(entry, "every file ID is taken on the handheld");
      return kSyncErrNone;
    }
    fileId = *chosen;
  }

  SetFileId(record, fileId);
  const time_t now = time(nullptr);
  SetSentStamp(record, RestampToMinute(store::HandheldDateTime{}, now));
  const uint8_t attributes = entry.isPrivate != 0 ? kRecAttrSecret : 0;
  uint32_t recordId = 0;
  const int32_t written =
      WriteNewRecord(m_handle, record, attributes, CategoryOf(entry), &recordId);
  if (written != kSyncErrNone) return written;

  if (replace) {
    if (handheldCopy->recordId != 0) DeleteRecord(m_handle, handheldCopy->recordId);
  } else {
    m_index.AppendFileId(fileId);
    m_ids.Add(fileId, m_index.Size() - 1);
  }
  m_pending.push_back({position, entry.id, recordId, now});
  entry.id = fileId;
  return kSyncErrNone;
}

bool ListedFileSender::AnyNewId() const {
  for (const PendingSend& sent : m_pending) {
    if (m_fileList.Entries()[sent.position].id != sent.earlierId) return true;
  }
  return false;
}

int32_t ListedFileSender::RecordNewIds(const SaveFileList& saveNewIds) {
  if (!AnyNewId()) return kSyncErrNone;
  const int32_t saved = saveNewIds();
  if (saved == kSyncErrNone) return kSyncErrNone;
  // The list cannot name them: copies under new IDs must not reach the
  // handheld, or the next HotSync would send them again beside these.
  std::erase_if(m_pending, [&](const PendingSend& sent) {
    store::FileListEntry& entry = m_fileList.Entries()[sent.position];
    if (entry.id == sent.earlierId) return false;
    DeleteRecord(m_handle, sent.recordId);
    entry.id = sent.earlierId;
    return true;
  });
  return saved;
}

void ListedFileSender::ApplySent() {
  for (const PendingSend& sent : m_pending) {
    store::FileListEntry& entry = m_fileList.Entries()[sent.position];
    entry.lastSent = RestampToMinute(entry.lastSent, sent.sentAt);
    entry.changed = 0;
    if (entry.action == store::kActionOneTime) entry.action = store::kActionDontSend;
  }
  m_pending.clear();
}

}  // namespace

bool ShouldSend(const store::FileListEntry& entry, const std::string& userName,
                const HandheldFileIndex::Element* handheldCopy) {
  if (entry.user != kAllUsers && entry.user != userName) return false;
  switch (entry.action) {
    case store::kActionAlways:
    case store::kActionOneTime:
      return true;
    case store::kActionIfChanged:
      return entry.changed != 0 || handheldCopy == nullptr ||
             entry.modified > handheldCopy->Modified();
    default:
      return false;
  }
}

size_t CountListedConversions(const store::FileListStore& fileList, const HandheldFileIndex& index,
                              const std::string& userName) {
  const FileIdTable ids(index, fileList);
  size_t count = 0;
  for (store::FileListEntry entry : fileList.Entries()) {
    if (entry.kind != store::kPcFile || entry.format == store::kFormatPc) continue;
    const std::optional<platform::FileStatus> status = platform::GetFileStatus(entry.path);
    if (!status) continue;
    // Judged as WriteRecords judges it, on the stamp the file has now.
    entry.modified = RestampToMinute(entry.modified, status->lastWriteTime);
    if (ShouldSend(entry, userName, entry.id != 0 ? ids.FirstWith(entry.id) : nullptr)) ++count;
  }
  return count;
}

int32_t SendListedFiles(store::FileListStore& fileList, HandheldFileIndex& index,
                        const std::string& userName, const SaveFileList& saveNewIds) {
  HandheldDatabase database;
  if (const int32_t opened = OpenFilesDatabaseForWriting(database); opened != kSyncErrNone) {
    return opened;
  }
  ListedFileSender sender(database.Handle(), fileList, index, userName);
  int32_t result = sender.WriteRecords();
  // Records written before a failed write are committed like any others.
  const int32_t saved = sender.RecordNewIds(saveNewIds);
  if (result == kSyncErrNone) result = saved;
  if (const int32_t closed = database.Close(); closed != kSyncErrNone) {
    LogWarning("SyncCloseDB failed");
    return result != kSyncErrNone ? result : closed;
  }
  sender.ApplySent();
  return result;
}

}  // namespace conduit::transfer
