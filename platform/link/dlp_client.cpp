// The desktop's DLP calls: each builds its request layout, and the one
// exchange checks the reply before its layout is decoded.
#include "link/dlp_client.h"

namespace platform::link {
namespace {

Result<void> Done(const Result<NoArguments>& reply) {
  if (!reply) return reply.Error();
  return {};
}

}  // namespace

Result<DlpReply> DlpClient::Exchange(DlpFunction function, const DlpArguments& arguments) {
  const uint8_t code = static_cast<uint8_t>(function);
  const std::string name = DlpFunctionName(code);
  Result<std::vector<uint8_t>> bytes = m_link.Call(DlpRequest{code, arguments}.Encode());
  if (!bytes) return Failure{name + ": " + bytes.Reason(), kDlpLinkFailure};
  Result<DlpReply> reply = DlpReply::Decode(*bytes);
  if (!reply) {
    return Failure{"the handheld's " + name + " reply is malformed: " + reply.Reason(),
                   kDlpLinkFailure};
  }
  if (reply->function != code) {
    return Failure{"the handheld answered " + DlpFunctionName(reply->function) + " to " + name,
                   kDlpLinkFailure};
  }
  if (reply->error != kDlpErrNone) {
    return Failure{name + ": " + DlpErrorText(reply->error), reply->error};
  }
  return reply;
}

Result<SysInfo> DlpClient::ReadSysInfo() {
  return Make<calls::ReadSysInfo>({});
}

Result<UserInfo> DlpClient::ReadUserInfo() {
  return Make<calls::ReadUserInfo>({});
}

Result<void> DlpClient::WriteUserInfo(const WriteUserInfoRequest& request) {
  return Done(Make<calls::WriteUserInfo>(request));
}

Result<DlpDate> DlpClient::GetSysDateTime() {
  Result<SysDateTime> reply = Make<calls::GetSysDateTime>({});
  if (!reply) return reply.Error();
  return reply->when;
}

Result<void> DlpClient::SetSysDateTime(const DlpDate& when) {
  return Done(Make<calls::SetSysDateTime>({when}));
}

Result<StorageInfo> DlpClient::ReadStorageInfo(uint8_t firstCard) {
  return Make<calls::ReadStorageInfo>({firstCard});
}

Result<NetSyncInfo> DlpClient::ReadNetSyncInfo() {
  return Make<calls::ReadNetSyncInfo>({});
}

Result<void> DlpClient::WriteNetSyncInfo(const WriteNetSyncInfoRequest& request) {
  return Done(Make<calls::WriteNetSyncInfo>(request));
}

Result<void> DlpClient::OpenConduit() {
  return Done(Make<calls::OpenConduit>({}));
}

Result<void> DlpClient::AddSyncLogEntry(const std::string& text) {
  return Done(Make<calls::AddSyncLogEntry>({text}));
}

Result<void> DlpClient::EndOfSync(uint16_t status) {
  return Done(Make<calls::EndOfSync>({status}));
}

Result<DbListPage> DlpClient::ReadDBList(const ReadDbListRequest& request) {
  return Make<calls::ReadDBList>(request);
}

// Each page starts after the last index of the one before, so the walk
// ends; a page that does not move forward is refused rather than repeated.
Result<std::vector<DbInfo>> DlpClient::ReadAllDBs(uint8_t flags, uint8_t card) {
  std::vector<DbInfo> databases;
  ReadDbListRequest request{static_cast<uint8_t>(flags | kDbListMultiple), card, 0};
  for (;;) {
    Result<DbListPage> page = ReadDBList(request);
    if (!page) {
      if (page.Code() == kDlpErrNotFound) return databases;
      return page.Error();
    }
    if (page->databases.empty() || page->lastIndex < request.start) {
      return Failure{
          "the handheld's database list does not move past index " + std::to_string(request.start),
          kDlpLinkFailure};
    }
    for (DbInfo& database : page->databases) databases.push_back(std::move(database));
    if (page->lastIndex == kDbIndexUnknown) return databases;
    request.start = static_cast<uint16_t>(page->lastIndex + 1);
  }
}

Result<FindDbReply> DlpClient::FindDB(const FindDbRequest& request) {
  return Make<calls::FindDB>(request);
}

Result<uint8_t> DlpClient::OpenDB(const std::string& name, uint8_t mode, uint8_t card) {
  Result<DbHandle> opened = Make<calls::OpenDB>({card, mode, name});
  if (!opened) return opened.Error();
  return opened->handle;
}

Result<uint8_t> DlpClient::CreateDB(const CreateDbRequest& request) {
  Result<DbHandle> created = Make<calls::CreateDB>(request);
  if (!created) return created.Error();
  return created->handle;
}

Result<void> DlpClient::CloseDB(uint8_t handle) {
  return Done(Make<calls::CloseDB>({false, handle}));
}

Result<void> DlpClient::CloseAllDBs() {
  return Done(Make<calls::CloseDB>({true, 0}));
}

Result<void> DlpClient::DeleteDB(const std::string& name, uint8_t card) {
  return Done(Make<calls::DeleteDB>({card, name}));
}

Result<uint16_t> DlpClient::ReadOpenDBInfo(uint8_t handle) {
  Result<OpenDbInfo> info = Make<calls::ReadOpenDBInfo>({handle});
  if (!info) return info.Error();
  return info->count;
}

Result<DbBlock> DlpClient::ReadAppBlock(const ReadBlockRequest& request) {
  return Make<calls::ReadAppBlock>(request);
}

Result<void> DlpClient::WriteAppBlock(uint8_t handle, std::span<const uint8_t> block) {
  return Done(Make<calls::WriteAppBlock>({handle, {block.begin(), block.end()}}));
}

Result<DbBlock> DlpClient::ReadSortBlock(const ReadBlockRequest& request) {
  return Make<calls::ReadSortBlock>(request);
}

Result<void> DlpClient::WriteSortBlock(uint8_t handle, std::span<const uint8_t> block) {
  return Done(Make<calls::WriteSortBlock>({handle, {block.begin(), block.end()}}));
}

Result<void> DlpClient::CleanUpDatabase(uint8_t handle) {
  return Done(Make<calls::CleanUpDatabase>({handle}));
}

Result<void> DlpClient::ResetSyncFlags(uint8_t handle) {
  return Done(Make<calls::ResetSyncFlags>({handle}));
}

Result<void> DlpClient::ResetRecordIndex(uint8_t handle) {
  return Done(Make<calls::ResetRecordIndex>({handle}));
}

Result<RecordReply> DlpClient::ReadRecord(const ReadRecordRequest& request) {
  return Make<calls::ReadRecord>(request);
}

Result<RecordReply> DlpClient::ReadNextModifiedRec(uint8_t handle) {
  return Make<calls::ReadNextModifiedRec>({handle});
}

Result<RecordReply> DlpClient::ReadNextRecInCategory(uint8_t handle, uint8_t category) {
  return Make<calls::ReadNextRecInCategory>({handle, category});
}

Result<uint32_t> DlpClient::WriteRecord(const WriteRecordRequest& request) {
  Result<RecordIdReply> written = Make<calls::WriteRecord>(request);
  if (!written) return written.Error();
  return written->recordId;
}

Result<void> DlpClient::DeleteRecord(const DeleteRecordRequest& request) {
  return Done(Make<calls::DeleteRecord>(request));
}

Result<std::vector<uint32_t>> DlpClient::ReadRecordIDList(const ReadRecordIdListRequest& request) {
  Result<RecordIdList> list = Make<calls::ReadRecordIDList>(request);
  if (!list) return list.Error();
  return std::move(list->ids);
}

Result<ResourceReply> DlpClient::ReadResource(const ReadResourceRequest& request) {
  return Make<calls::ReadResource>(request);
}

Result<void> DlpClient::WriteResource(const WriteResourceRequest& request) {
  return Done(Make<calls::WriteResource>(request));
}

Result<PreferenceReply> DlpClient::ReadAppPreference(const ReadPreferenceRequest& request) {
  return Make<calls::ReadAppPreference>(request);
}

Result<void> DlpClient::WriteAppPreference(const WritePreferenceRequest& request) {
  return Done(Make<calls::WriteAppPreference>(request));
}

}  // namespace platform::link
