// Reading the records to receive from "VlmrFilesDB" and saving each one.
// The database is opened for reading only: receiving neither deletes nor
// marks a record.
#include "transfer/receive.h"

#include <array>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "receive/received_file.h"
#include "records/handheld_records.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit::transfer {
namespace {

constexpr uint8_t kDeletedAttribute = 0x80;
constexpr uint8_t kCategoryMask = 0x0F;

// The search block; all zeros (receive record 0) when it cannot be read.
SearchAppInfo ReadReceiveChoice() {
  uint8_t handle = 0;
  if (SyncOpenDB(kSearchDatabaseName, 0, &handle, kOpenReadWriteSecret) != kSyncErrNone) {
    LogWarning("Couldn't find Search database");
    return SearchAppInfo();
  }
  std::array<uint8_t, SearchAppInfo::kSize> bytes{};
  CDbGenInfo info{};
  info.m_TotalBytes = static_cast<uint16_t>(bytes.size());
  info.m_pBytes = bytes.data();
  const bool read = SyncReadDBAppInfoBlock(handle, &info) == kSyncErrNone;
  if (!read) LogWarning("Couldn't read Search App Info data");
  SyncCloseDB(handle);
  return read ? SearchAppInfo::FromBytes(bytes) : SearchAppInfo();
}

class RecordReceiver {
 public:
  RecordReceiver(uint8_t handle, SyncContext& context)
      : m_handle(handle),
        m_buffer(file_record::kMaxRecordSize),
        m_destination{context.dataDirectory, context.fileList, GetHandheldUserName()} {}

  void ReceiveIndex(uint16_t index) {
    CRawRecordInfo record = Request();
    record.m_RecIndex = index;
    if (SyncReadRecordByIndex(&record) != kSyncErrNone ||
        (record.m_Attribs & kDeletedAttribute) != 0) {
      const std::string line =
          "Couldn't receive record " + std::to_string(index) + ": the handheld has no such file";
      LogWarning(line.c_str());
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
      if (result == kSyncErrNoRecord) return;
      if (result != kSyncErrNone) {
        LogWarning("Couldn't read the next file of the category to receive");
        return;
      }
      Save(record);
    }
  }

 private:
  CRawRecordInfo Request() {
    CRawRecordInfo record{};
    record.m_FileHandle = m_handle;
    record.m_TotalBytes = static_cast<uint16_t>(m_buffer.size());
    record.m_pBytes = m_buffer.data();
    return record;
  }

  void Save(const CRawRecordInfo& record) {
    const std::span<const uint8_t> bytes(m_buffer.data(),
                                         std::min<size_t>(record.m_RecSize, m_buffer.size()));
    const receive::RecordDescription description{
        record.m_Attribs, static_cast<uint8_t>(record.m_CatId & kCategoryMask)};
    std::string why;
    if (receive::SaveReceivedFile(bytes, description, m_destination, why) == 0) return;
    const HandheldFileHead head = HandheldFileHead::Decode(bytes).value_or(HandheldFileHead{});
    const std::string title = head.title.empty() ? "a file" : head.title;
    const std::string line = "Couldn't save " + title + " on the PC: " + why;
    LogWarning(line.c_str());
  }

  uint8_t m_handle;
  std::vector<uint8_t> m_buffer;
  receive::ReceiveDestination m_destination;
};

}  // namespace

int32_t ReceiveHandheldFiles(SyncContext& context) {
  if (!context.HasDataDirectory() || !context.fileListSavable) {
    LogWarning(context.HasDataDirectory()
                   ? "Couldn't receive handheld files: the file list could not be read"
                   : "Couldn't receive handheld files: there is no data directory");
    return kErrNothingReceived;
  }
  const SearchAppInfo choice = ReadReceiveChoice();
  uint8_t handle = 0;
  if (const int32_t opened = SyncOpenDB(kFilesDatabaseName, 0, &handle, kOpenReadSecret);
      opened != kSyncErrNone) {
    if (opened == kSyncErrNotFound) {
      LogText("No handheld files to receive: the handheld has no Files database");
      return 0;
    }
    // A database that is there but cannot be opened received nothing.
    LogWarning("Couldn't open the Files database");
    return opened;
  }
  RecordReceiver receiver(handle, context);
  if (choice.ReceiveWholeCategory()) {
    receiver.ReceiveCategory(choice.ReceiveSelector());
  } else {
    receiver.ReceiveIndex(choice.ReceiveSelector());
  }
  if (SyncCloseDB(handle) != kSyncErrNone) LogWarning("SyncCloseDB failed");
  return 0;
}

}  // namespace conduit::transfer
