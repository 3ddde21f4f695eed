// Reading the records to receive from "VlmrFilesDB" and saving each one.
// The database is opened for reading only: receiving neither deletes nor
// marks a record.
//
// The files received in one request are kept only once the file list names
// them: when the list cannot be saved, the files of this request are
// removed again, so that the handheld, told that the request failed, can
// ask again without leaving a second copy of each.
#include "transfer/receive.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "fs/fs.h"
#include "handheld_database.h"
#include "handheld_records.h"  // records/
#include "receive/received_file.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"
#include "text/transcode.h"

namespace conduit::transfer {
namespace {

// A data directory that is missing is made for the user alone, as set-up
// makes it.
constexpr mode_t kDataDirectoryMode = 0700;

// The search block; all zeros (receive record 0) when it cannot be read.
records::SearchAppInfo ReadReceiveChoice() {
  HandheldDatabase database;
  if (database.Open(records::kSearchDatabaseName, records::kOpenReadWriteSecret) != kSyncErrNone) {
    LogWarning("Couldn't find Search database");
    return records::SearchAppInfo();
  }
  std::vector<uint8_t> bytes(records::SearchAppInfo::kSize);
  if (database.ReadAppInfoBlock(bytes) != kSyncErrNone) {
    LogWarning("Couldn't read Search App Info data");
    return records::SearchAppInfo();
  }
  return records::SearchAppInfo::FromBytes(bytes);
}

// The title of a record for log lines, as PC text.
std::string TitleOf(std::span<const uint8_t> bytes) {
  const records::HandheldFileHead head =
      records::HandheldFileHead::Decode(bytes).value_or(records::HandheldFileHead{});
  return head.title.empty() ? "a file" : platform::text::HandheldNameToUtf8(head.title);
}

class RecordReceiver {
 public:
  RecordReceiver(uint8_t handle, SyncContext& context)
      : m_handle(handle),
        m_buffer(records::file_record::kMaxRecordSize),
        m_destination{context.dataDirectory, context.fileList, GetHandheldUserName()},
        m_firstNewEntry(context.fileList.Entries().size()) {}

  void ReceiveIndex(uint16_t index) {
    CRawRecordInfo record = Request();
    record.m_RecIndex = index;
    if (SyncReadRecordByIndex(&record) != kSyncErrNone ||
        (record.m_Attribs & kRecAttrDeleted) != 0) {
      const std::string line =
          "Couldn't receive record " + std::to_string(index) + ": the handheld has no such file";
      LogWarning(line.c_str());
      m_failed = true;
      return;
    }
    Save(record);
  }

  void ReceiveCategory(uint16_t category) {
    SyncResetRecordIndex(m_handle);
    for (;;) {
      CRawRecordInfo record = Request();
      record.m_CatId = static_cast<int16_t>(category);
      const int32_t result = SyncReadNextRecInCategory(&record);
      if (result == kSyncErrNoRecord) break;
      if (result != kSyncErrNone) {
        LogWarning("Couldn't read the next file of the category to receive");
        m_failed = true;
        return;
      }
      Save(record);
    }
    if (!m_failed && Saved() == 0) {
      LogText(("No handheld files to receive in category " + std::to_string(category)).c_str());
    }
  }

  // The request's result once every record was tried: 0 when files were
  // received and listed, or when there was nothing to receive; an error
  // when nothing could be saved, or when the list naming the files could
  // not be saved (the files of this request are then removed).
  int32_t Finish(const SaveFileList& saveFileList) {
    if (Saved() == 0) return m_failed ? kErrNothingReceived : 0;
    const int32_t saved = saveFileList();
    if (saved != 0) RemoveFilesOfThisRequest();
    return saved;
  }

 private:
  CRawRecordInfo Request() {
    CRawRecordInfo record{};
    record.m_FileHandle = m_handle;
    record.m_TotalBytes = static_cast<uint16_t>(m_buffer.size());
    record.m_pBytes = m_buffer.data();
    return record;
  }

  size_t Saved() const { return m_destination.fileList.Entries().size() - m_firstNewEntry; }

  void Save(const CRawRecordInfo& record) {
    const std::span<const uint8_t> bytes(m_buffer.data(),
                                         std::min<size_t>(record.m_RecSize, m_buffer.size()));
    const receive::RecordDescription description{
        record.m_Attribs, static_cast<uint8_t>(record.m_CatId & kRecCategoryMask)};
    std::string why;
    if (receive::SaveReceivedFile(bytes, description, m_destination, why) != 0) {
      LogWarning(("Couldn't save " + TitleOf(bytes) + " on the PC: " + why).c_str());
      m_failed = true;
      return;
    }
    if (receive::IsCutText(bytes)) {
      LogWarning((TitleOf(bytes) + " was cut to its first " +
                  std::to_string(records::file_record::kMaxRecordSize) +
                  " bytes on the way from the handheld: " +
                  m_destination.fileList.Entries().back().receivedCopy +
                  " holds only the beginning of its text")
                     .c_str());
    }
  }

  void RemoveFilesOfThisRequest() {
    std::vector<store::FileListEntry>& entries = m_destination.fileList.Entries();
    bool allRemoved = true;
    for (size_t i = m_firstNewEntry; i < entries.size(); ++i) {
      const std::string& copy = entries[i].receivedCopy;
      if (unlink(copy.c_str()) != 0 && errno != ENOENT) {
        const int error = errno;
        allRemoved = false;
        LogWarning(("Couldn't remove " + copy +
                    " after the file list could not be saved: " + std::strerror(error))
                       .c_str());
      }
    }
    entries.resize(m_firstNewEntry);
    if (allRemoved) {
      LogWarning("The received files were removed again, as the file list could not name them");
    }
  }

  uint8_t m_handle;
  std::vector<uint8_t> m_buffer;
  receive::ReceiveDestination m_destination;
  size_t m_firstNewEntry;
  bool m_failed = false;  // a record asked for was not received
};

// Makes the data directory when it is missing; false after a log line when
// it cannot be made.
bool MakeDataDirectory(const std::string& directory) {
  const int error = platform::MakeFolders(directory, kDataDirectoryMode);
  if (error == 0) return true;
  LogWarning(("Couldn't receive handheld files: the data directory " + directory +
              " cannot be made: " + std::strerror(error))
                 .c_str());
  return false;
}

}  // namespace

int32_t ReceiveHandheldFiles(SyncContext& context, const SaveFileList& saveFileList) {
  if (!context.HasDataDirectory() || !context.fileListSavable) {
    LogWarning(context.HasDataDirectory()
                   ? "Couldn't receive handheld files: the file list could not be read"
                   : "Couldn't receive handheld files: there is no data directory");
    return kErrNothingReceived;
  }
  const records::SearchAppInfo choice = ReadReceiveChoice();
  HandheldDatabase database;
  if (const int32_t opened = database.Open(records::kFilesDatabaseName, records::kOpenReadSecret);
      opened != kSyncErrNone) {
    if (opened == kSyncErrNotFound) {
      LogText("No handheld files to receive: the handheld has no Files database");
      return 0;
    }
    // A database that is there but cannot be opened received nothing.
    LogWarning("Couldn't open the Files database");
    return opened;
  }
  if (!MakeDataDirectory(context.dataDirectory)) return kErrNothingReceived;
  RecordReceiver receiver(database.Handle(), context);
  if (choice.ReceiveWholeCategory()) {
    receiver.ReceiveCategory(choice.ReceiveSelector());
  } else {
    receiver.ReceiveIndex(choice.ReceiveSelector());
  }
  if (database.Close() != kSyncErrNone) LogWarning("SyncCloseDB failed");
  return receiver.Finish(saveFileList);
}

}  // namespace conduit::transfer
