// The DLP calls this system makes and answers: each names its function
// code, its request layout and its reply layout, once, so that the
// desktop's end (dlp_client.h) and the handheld's end (dlp_server.h)
// cannot drift apart.
#pragma once

#include <tuple>
#include <utility>

#include "link/dlp_database_layouts.h"
#include "link/dlp_functions.h"
#include "link/dlp_record_layouts.h"
#include "link/dlp_system_layouts.h"

namespace platform::link {

template <DlpFunction F, typename RequestLayout, typename ReplyLayout>
struct DlpCall {
  static constexpr DlpFunction kFunction = F;
  using Request = RequestLayout;
  using Reply = ReplyLayout;
};

namespace calls {

using F = DlpFunction;

using ReadSysInfo = DlpCall<F::kReadSysInfo, SysInfoRequest, SysInfo>;
using ReadUserInfo = DlpCall<F::kReadUserInfo, NoArguments, UserInfo>;
using WriteUserInfo = DlpCall<F::kWriteUserInfo, WriteUserInfoRequest, NoArguments>;
using GetSysDateTime = DlpCall<F::kGetSysDateTime, NoArguments, SysDateTime>;
using SetSysDateTime = DlpCall<F::kSetSysDateTime, SysDateTime, NoArguments>;
using ReadStorageInfo = DlpCall<F::kReadStorageInfo, StorageInfoRequest, StorageInfo>;
using ReadNetSyncInfo = DlpCall<F::kReadNetSyncInfo, NoArguments, NetSyncInfo>;
using WriteNetSyncInfo = DlpCall<F::kWriteNetSyncInfo, WriteNetSyncInfoRequest, NoArguments>;
using AddSyncLogEntry = DlpCall<F::kAddSyncLogEntry, SyncLogEntry, NoArguments>;
using OpenConduit = DlpCall<F::kOpenConduit, NoArguments, NoArguments>;
using EndOfSync = DlpCall<F::kEndOfSync, EndOfSyncRequest, NoArguments>;

using ReadDBList = DlpCall<F::kReadDBList, ReadDbListRequest, DbListPage>;
using FindDB = DlpCall<F::kFindDB, FindDbRequest, FindDbReply>;
using OpenDB = DlpCall<F::kOpenDB, OpenDbRequest, DbHandle>;
using CreateDB = DlpCall<F::kCreateDB, CreateDbRequest, DbHandle>;
using CloseDB = DlpCall<F::kCloseDB, CloseDbRequest, NoArguments>;
using DeleteDB = DlpCall<F::kDeleteDB, DeleteDbRequest, NoArguments>;
using ReadOpenDBInfo = DlpCall<F::kReadOpenDBInfo, DbHandle, OpenDbInfo>;
using ReadAppBlock = DlpCall<F::kReadAppBlock, ReadBlockRequest, DbBlock>;
using WriteAppBlock = DlpCall<F::kWriteAppBlock, WriteBlockRequest, NoArguments>;
using ReadSortBlock = DlpCall<F::kReadSortBlock, ReadBlockRequest, DbBlock>;
using WriteSortBlock = DlpCall<F::kWriteSortBlock, WriteBlockRequest, NoArguments>;
using CleanUpDatabase = DlpCall<F::kCleanUpDatabase, DbHandle, NoArguments>;
using ResetSyncFlags = DlpCall<F::kResetSyncFlags, DbHandle, NoArguments>;
using ResetRecordIndex = DlpCall<F::kResetRecordIndex, DbHandle, NoArguments>;

using ReadRecord = DlpCall<F::kReadRecord, ReadRecordRequest, RecordReply>;
using ReadNextModifiedRec = DlpCall<F::kReadNextModifiedRec, DbHandle, RecordReply>;
using ReadNextRecInCategory =
    DlpCall<F::kReadNextRecInCategory, NextInCategoryRequest, RecordReply>;
using WriteRecord = DlpCall<F::kWriteRecord, WriteRecordRequest, RecordIdReply>;
using DeleteRecord = DlpCall<F::kDeleteRecord, DeleteRecordRequest, NoArguments>;
using ReadRecordIDList = DlpCall<F::kReadRecordIDList, ReadRecordIdListRequest, RecordIdList>;
using ReadResource = DlpCall<F::kReadResource, ReadResourceRequest, ResourceReply>;
using WriteResource = DlpCall<F::kWriteResource, WriteResourceRequest, NoArguments>;
using ReadAppPreference = DlpCall<F::kReadAppPreference, ReadPreferenceRequest, PreferenceReply>;
using WriteAppPreference = DlpCall<F::kWriteAppPreference, WritePreferenceRequest, NoArguments>;

}  // namespace calls

// Every call above, for code that treats them all alike.
using AllDlpCalls = std::tuple<
    calls::ReadSysInfo, calls::ReadUserInfo, calls::WriteUserInfo, calls::GetSysDateTime,
    calls::SetSysDateTime, calls::ReadStorageInfo, calls::ReadNetSyncInfo, calls::WriteNetSyncInfo,
    calls::AddSyncLogEntry, calls::OpenConduit, calls::EndOfSync, calls::ReadDBList, calls::FindDB,
    calls::OpenDB, calls::CreateDB, calls::CloseDB, calls::DeleteDB, calls::ReadOpenDBInfo,
    calls::ReadAppBlock, calls::WriteAppBlock, calls::ReadSortBlock, calls::WriteSortBlock,
    calls::CleanUpDatabase, calls::ResetSyncFlags, calls::ResetRecordIndex, calls::ReadRecord,
    calls::ReadNextModifiedRec, calls::ReadNextRecInCategory, calls::WriteRecord,
    calls::DeleteRecord, calls::ReadRecordIDList, calls::ReadResource, calls::WriteResource,
    calls::ReadAppPreference, calls::WriteAppPreference>;

// Calls `visit.template operator()<Call>()` for the call of `function`;
// false when no call has that function.
template <typename Visitor>
bool VisitDlpCall(uint8_t function, Visitor&& visit) {
  return std::apply(
      [&](auto... call) {
        return ((static_cast<uint8_t>(decltype(call)::kFunction) == function
                     ? (visit.template operator()<decltype(call)>(), true)
                     : false) ||
                ...);
      },
      AllDlpCalls{});
}

// A layout's arguments, whether its Encode can fail or not.
inline Result<DlpArguments> EncodedArguments(Result<DlpArguments> arguments) {
  return arguments;
}
inline Result<DlpArguments> EncodedArguments(DlpArguments arguments) {
  return Result<DlpArguments>(std::move(arguments));
}

}  // namespace platform::link
