// Sending the listed files. The new record is built and written before the
// handheld's earlier copy is deleted, and an entry takes its new ID and
// last-sent stamp only once its record is on the handheld: a file that
// cannot be read or a write that fails leaves the handheld and the entry as
// they were.
#include "transfer/send_listed_files.h"

#include <ctime>
#include <unordered_map>
#include <vector>

#include "convert/convert.h"
#include "crt/crand.h"
#include "files_database.h"
#include "fs/fs.h"
#include "records/handheld_records.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"
#include "transfer/handheld_record.h"

namespace conduit::transfer {
namespace {

constexpr char kAllUsers[] = "All";
constexpr uint16_t kHighestCategory = 15;

// File IDs as the sending sees them: the first index element of each ID,
// found in constant time, and the IDs no new file may take.
class FileIdTable {
 public:
  FileIdTable(const HandheldFileIndex& index, const store::FileListStore& fileList)
      : m_index(index), m_used(kIdCount, false) {
    const auto& elements = index.Elements();
    for (size_t position = 0; position < elements.size(); ++position) {
      m_first.try_emplace(elements[position].FileId(), position);
      MarkUsed(elements[position].FileId());
    }
    // IDs of other entries too, so that two entries never share a handheld
    // record; and 0, the file ID of files fetched on request.
    for (const auto& entry : fileList.Entries()) MarkUsed(entry.id);
    MarkUsed(0);
  }

  // The first index element with `id`; nullptr when none has it.
  const HandheldFileIndex::Element* FirstWith(uint16_t id) const {
    auto found = m_first.find(id);
    return found == m_first.end() ? nullptr : &m_index.Elements()[found->second];
  }

  // A new ID from the C library's generator, drawn until it is free. Should
  // every value the generator gives be taken, the lowest free ID above them.
  std::optional<uint16_t> DrawNewId() {
    if (m_usedDrawable <= static_cast<size_t>(platform::kCRandMax)) {
      for (;;) {
        auto id = static_cast<uint16_t>(platform::CRand());
        if (!m_used[id]) return id;
      }
    }
    for (size_t id = platform::kCRandMax + 1; id < kIdCount; ++id) {
      if (!m_used[id]) return static_cast<uint16_t>(id);
    }
    return std::nullopt;
  }

  // Records that `id` now names the index element at `position`.
  void Add(uint16_t id, size_t position) {
    m_first.try_emplace(id, position);
    MarkUsed(id);
  }

 private:
  static constexpr size_t kIdCount = 65536;

  void MarkUsed(uint16_t id) {
    if (m_used[id]) return;
    m_used[id] = true;
    if (id <= platform::kCRandMax) ++m_usedDrawable;
  }

  const HandheldFileIndex& m_index;
  std::unordered_map<uint16_t, size_t> m_first;
  std::vector<bool> m_used;
  size_t m_usedDrawable = 0;
};

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

// Sends one entry that passed the send test. False when the write failed.
bool SendEntry(uint8_t handle, store::FileListEntry& entry, HandheldFileIndex& index,
               FileIdTable& ids, const HandheldFileIndex::Element* handheldCopy) {
  ConversionResult built = BuildRecord(entry);
  if (!built.record || !IsWritableRecord(*built.record)) return true;
  std::vector<uint8_t>& record = *built.record;

  // The earlier copy is replaced, unless the user edited it on the handheld:
  // then the file goes in under a new ID and the edited copy stays.
  const bool replace = handheldCopy != nullptr && !handheldCopy->IsDirty();
  const uint32_t earlierRecordId = replace ? handheldCopy->recordId : 0;
  uint16_t fileId = entry.id;
  if (!replace) {
    std::optional<uint16_t> drawn = ids.DrawNewId();
    if (!drawn) return true;
    fileId = *drawn;
  }

  SetFileId(record, fileId);
  const time_t now = time(nullptr);
  SetSentStamp(record, RestampToMinute(store::HandheldDateTime{}, now));
  const uint8_t attributes = entry.isPrivate != 0 ? kRecAttrSecret : 0;
  if (WriteNewRecord(handle, record, attributes, CategoryOf(entry)) != kSyncErrNone) return false;

  if (replace) {
    if (earlierRecordId != 0) DeleteRecord(handle, earlierRecordId);
  } else {
    entry.id = fileId;
    index.AppendFileId(fileId);
    ids.Add(fileId, index.Size() - 1);
  }
  entry.lastSent = RestampToMinute(entry.lastSent, now);
  entry.changed = 0;
  if (entry.action == store::kActionOneTime) entry.action = store::kActionDontSend;
  return true;
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

void SendListedFiles(store::FileListStore& fileList, HandheldFileIndex& index,
                     const std::string& userName) {
  uint8_t handle = 0;
  if (OpenFilesDatabaseForWriting(&handle) != kSyncErrNone) return;
  FileIdTable ids(index, fileList);
  for (store::FileListEntry& entry : fileList.Entries()) {
    if (entry.kind != store::kPcFile) continue;
    std::optional<platform::FileStatus> status = platform::GetFileStatus(entry.path);
    if (!status) continue;
    entry.modified = RestampToMinute(entry.modified, status->lastWriteTime);

    // ID 0 belongs to fetched files, never to an entry's own copy.
    const HandheldFileIndex::Element* handheldCopy =
        entry.id != 0 ? ids.FirstWith(entry.id) : nullptr;
    if (!ShouldSend(entry, userName, handheldCopy)) continue;
    if (!SendEntry(handle, entry, index, ids, handheldCopy)) {
      LogWarning("Couldn't write to Files database");
      SyncCloseDB(handle);
      return;
    }
  }
  if (SyncCloseDB(handle) != kSyncErrNone) LogWarning("SyncCloseDB failed");
}

}  // namespace conduit::transfer
