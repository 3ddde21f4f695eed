// Each DLP call the Sync Manager makes, answered by the one Backend call
// that does the same.
#include "backend_handheld.h"

#include <utility>

namespace syncmgr_test {
namespace {

using platform::syncmgr::HandheldRecord;
using platform::syncmgr::PreferenceKey;

// The DLP error a handheld answers where the Backend fails with a Sync
// Manager code; any other failure is the handheld's system error.
constexpr std::pair<int32_t, int> kDlpErrorOf[] = {
    {kSyncErrNotFound, kDlpErrNotFound},       {kSyncErrNoRecord, kDlpErrNotFound},
    {kSyncErrNoAppInfo, kDlpErrNotFound},      {kSyncErrNoPreference, kDlpErrNotFound},
    {kSyncErrBadHandle, kDlpErrNoneOpen},      {kSyncErrReadOnly, kDlpErrReadOnly},
    {kSyncErrTooManyOpen, kDlpErrTooManyOpen}, {kSyncErrExists, kDlpErrAlreadyExists},
    {kSyncErrBadArgument, kDlpErrParameter},
};

Failure AsDlpError(const Failure& failure) {
  for (const auto& [sync, dlp] : kDlpErrorOf) {
    if (failure.code == sync) return Failure{failure.reason, dlp};
  }
  return Failure{failure.reason, kDlpErrSystem};
}

// The Backend's answer as a DLP reply made by `make`, or as its DLP error.
template <typename T, typename Make>
auto Answered(Result<T> result, Make make) -> Result<decltype(make(std::move(*result)))> {
  if (!result) return AsDlpError(result.Error());
  return make(std::move(*result));
}

Result<void> Answered(const Result<void>& result) {
  if (!result) return AsDlpError(result.Error());
  return {};
}

RecordReply ReplyOf(HandheldRecord record) {
  const auto size = static_cast<uint16_t>(record.data.size());
  return {record.id,         record.index,    size,
          record.attributes, record.category, std::move(record.data)};
}

}  // namespace

Result<void> BackendHandheld::TakesRecords(uint8_t handle) const {
  const auto opened = m_backend->Opened(Inner(handle));
  if (opened && opened->resource) return Failure{"a resource database", kDlpErrNotSupported};
  return {};
}

Result<UserInfo> BackendHandheld::ReadUserInfo() {
  return Answered(m_backend->ReadUser(), [](platform::syncmgr::HandheldUser user) {
    UserInfo info;
    info.userId = user.id;
    info.name = std::move(user.name);
    return info;
  });
}

Result<DbHandle> BackendHandheld::OpenDB(const OpenDbRequest& request) {
  return Answered(m_backend->OpenDatabase(request.name, request.card, request.mode),
                  [](uint8_t handle) { return DbHandle{uint8_t(handle + kHandleOffset)}; });
}

Result<DbHandle> BackendHandheld::CreateDB(const CreateDbRequest& request) {
  const platform::syncmgr::NewDatabase database{request.name, request.card,       request.creator,
                                                request.type, request.attributes, request.version};
  return Answered(m_backend->CreateDatabase(database),
                  [](uint8_t handle) { return DbHandle{uint8_t(handle + kHandleOffset)}; });
}

Result<void> BackendHandheld::CloseDB(const CloseDbRequest& request) {
  if (!request.all) return Answered(m_backend->CloseDatabase(Inner(request.handle)));
  m_backend->CloseAll();
  return {};
}

Result<OpenDbInfo> BackendHandheld::ReadOpenDBInfo(const DbHandle& request) {
  return Answered(m_backend->RecordCount(Inner(request.handle)),
                  [](uint16_t count) { return OpenDbInfo{count}; });
}

Result<DbBlock> BackendHandheld::ReadAppBlock(const ReadBlockRequest& request) {
  return Answered(m_backend->ReadAppInfo(Inner(request.handle), request.length),
                  [](std::vector<uint8_t> block) {
                    const auto size = static_cast<uint16_t>(block.size());
                    return DbBlock{size, std::move(block)};
                  });
}

Result<void> BackendHandheld::WriteAppBlock(const WriteBlockRequest& request) {
  return Answered(m_backend->WriteAppInfo(Inner(request.handle), request.data));
}

Result<void> BackendHandheld::CleanUpDatabase(const DbHandle& request) {
  if (Result<void> takes = TakesRecords(request.handle); !takes) return takes;
  return Answered(m_backend->PurgeDeletedRecords(Inner(request.handle)));
}

Result<void> BackendHandheld::ResetRecordIndex(const DbHandle& request) {
  return Answered(m_backend->ResetRecordIndex(Inner(request.handle)));
}

Result<RecordReply> BackendHandheld::ReadRecord(const ReadRecordRequest& request) {
  if (request.by != ReadRecordRequest::By::kIndex || request.offset != 0) {
    return Failure{"only whole reads by index", kDlpErrIllegalRequest};
  }
  if (Result<void> takes = TakesRecords(request.handle); !takes) return takes.Error();
  return Answered(
      m_backend->ReadRecordByIndex(Inner(request.handle), request.index, request.length), ReplyOf);
}

Result<RecordReply> BackendHandheld::ReadNextRecInCategory(const NextInCategoryRequest& request) {
  if (Result<void> takes = TakesRecords(request.handle); !takes) return takes.Error();
  return Answered(
      m_backend->ReadNextRecordInCategory(Inner(request.handle), request.category, kDlpReadToEnd),
      ReplyOf);
}

Result<RecordIdReply> BackendHandheld::WriteRecord(const WriteRecordRequest& request) {
  if (Result<void> takes = TakesRecords(request.handle); !takes) return takes.Error();
  HandheldRecord record{request.recordId, 0, request.attributes, request.category, request.data};
  return Answered(m_backend->WriteRecord(Inner(request.handle), std::move(record)),
                  [](uint32_t id) { return RecordIdReply{id}; });
}

Result<void> BackendHandheld::DeleteRecord(const DeleteRecordRequest& request) {
  if (Result<void> takes = TakesRecords(request.handle); !takes) return takes;
  switch (request.which) {
    case DeleteRecordRequest::Which::kOne:
      return Answered(m_backend->DeleteRecord(Inner(request.handle), request.recordId));
    case DeleteRecordRequest::Which::kAll:
      return Answered(m_backend->PurgeAllRecords(Inner(request.handle)));
    case DeleteRecordRequest::Which::kCategory:
      break;
  }
  return Failure{"no deletes by category", kDlpErrIllegalRequest};
}

Result<PreferenceReply> BackendHandheld::ReadAppPreference(const ReadPreferenceRequest& request) {
  const PreferenceKey key{request.creator, request.id, request.saved};
  return Answered(m_backend->ReadPreference(key, request.maxBytes), [](platform::syncmgr::
                                                                           PreferenceRead read) {
    return PreferenceReply{read.version, static_cast<uint16_t>(read.size), std::move(read.data)};
  });
}

Result<void> BackendHandheld::WriteAppPreference(const WritePreferenceRequest& request) {
  const PreferenceKey key{request.creator, request.id, request.saved};
  return Answered(m_backend->WritePreference(key, request.version, request.data));
}

}  // namespace syncmgr_test
