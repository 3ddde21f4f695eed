// The handheld's end of DLP: what a handheld does for each call.
//
// ServeDlp (dlp_server.h) decodes each request and calls the method of its
// function with the decoded arguments. A method answers with its reply
// layout, or a Failure whose code is the DLP error to answer with
// (kDlpErr..., dlp_functions.h; a code outside 1..127 answers
// kDlpErrSystem). The Failure's reason stays on the handheld's side.
#pragma once

#include "link/dlp_calls.h"

namespace platform::link {

class DlpHandheld {
 public:
  virtual ~DlpHandheld() = default;

  // The handheld and its user.
  virtual Result<SysInfo> ReadSysInfo(const SysInfoRequest& request) = 0;
  virtual Result<UserInfo> ReadUserInfo() = 0;
  virtual Result<void> WriteUserInfo(const WriteUserInfoRequest& request) = 0;
  virtual Result<SysDateTime> GetSysDateTime() = 0;
  virtual Result<void> SetSysDateTime(const SysDateTime& request) = 0;
  virtual Result<StorageInfo> ReadStorageInfo(const StorageInfoRequest& request) = 0;
  virtual Result<NetSyncInfo> ReadNetSyncInfo() = 0;
  virtual Result<void> WriteNetSyncInfo(const WriteNetSyncInfoRequest& request) = 0;

  // The HotSync. EndOfSync is the last call: ServeDlp returns once it has
  // answered it.
  virtual Result<void> OpenConduit() = 0;
  virtual Result<void> AddSyncLogEntry(const SyncLogEntry& request) = 0;
  virtual Result<void> EndOfSync(const EndOfSyncRequest& request) = 0;

  // Databases.
  virtual Result<DbListPage> ReadDBList(const ReadDbListRequest& request) = 0;
  virtual Result<FindDbReply> FindDB(const FindDbRequest& request) = 0;
  virtual Result<DbHandle> OpenDB(const OpenDbRequest& request) = 0;
  virtual Result<DbHandle> CreateDB(const CreateDbRequest& request) = 0;
  virtual Result<void> CloseDB(const CloseDbRequest& request) = 0;
  virtual Result<void> DeleteDB(const DeleteDbRequest& request) = 0;
  virtual Result<OpenDbInfo> ReadOpenDBInfo(const DbHandle& request) = 0;
  virtual Result<DbBlock> ReadAppBlock(const ReadBlockRequest& request) = 0;
  virtual Result<void> WriteAppBlock(const WriteBlockRequest& request) = 0;
  virtual Result<DbBlock> ReadSortBlock(const ReadBlockRequest& request) = 0;
  virtual Result<void> WriteSortBlock(const WriteBlockRequest& request) = 0;
  virtual Result<void> CleanUpDatabase(const DbHandle& request) = 0;
  virtual Result<void> ResetSyncFlags(const DbHandle& request) = 0;
  virtual Result<void> ResetRecordIndex(const DbHandle& request) = 0;

  // Records, resources and preferences.
  virtual Result<RecordReply> ReadRecord(const ReadRecordRequest& request) = 0;
  virtual Result<RecordReply> ReadNextModifiedRec(const DbHandle& request) = 0;
  virtual Result<RecordReply> ReadNextRecInCategory(const NextInCategoryRequest& request) = 0;
  virtual Result<RecordIdReply> WriteRecord(const WriteRecordRequest& request) = 0;
  virtual Result<void> DeleteRecord(const DeleteRecordRequest& request) = 0;
  virtual Result<RecordIdList> ReadRecordIDList(const ReadRecordIdListRequest& request) = 0;
  virtual Result<ResourceReply> ReadResource(const ReadResourceRequest& request) = 0;
  virtual Result<void> WriteResource(const WriteResourceRequest& request) = 0;
  virtual Result<PreferenceReply> ReadAppPreference(const ReadPreferenceRequest& request) = 0;
  virtual Result<void> WriteAppPreference(const WritePreferenceRequest& request) = 0;
};

}  // namespace platform::link
