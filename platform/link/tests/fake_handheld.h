// An in-memory handheld for DLP tests: each call answers what the test set
// for its function (or a DLP error) and keeps the request it was given.
// Safe to drive from the test's thread while ServeDlp runs on another.
#pragma once

#include <any>
#include <map>
#include <mutex>
#include <optional>
#include <type_traits>

#include "link/dlp_handheld.h"

namespace linktest {

using namespace platform::link;
using platform::Failure;
using platform::Result;

// What a DlpHandheld method of `Call` returns.
template <typename Call>
using Answered = std::conditional_t<std::is_same_v<typename Call::Reply, NoArguments>, Result<void>,
                                    Result<typename Call::Reply>>;

// Tests that need a handheld with state derive from it and override the
// calls they serve themselves.
class FakeHandheld : public DlpHandheld {
 public:
  // What the next calls of `Call` answer.
  template <typename Call>
  void Answer(const typename Call::Reply& reply) {
    std::lock_guard lock(m_mutex);
    m_replies[Call::kFunction] = reply;
    m_errors.erase(Call::kFunction);
  }
  template <typename Call>
  void Fail(int code) {
    std::lock_guard lock(m_mutex);
    m_errors[Call::kFunction] = code;
  }
  // The request the last call of `Call` was given, if any.
  template <typename Call>
  std::optional<typename Call::Request> LastRequest() {
    std::lock_guard lock(m_mutex);
    auto found = m_requests.find(Call::kFunction);
    if (found == m_requests.end()) return std::nullopt;
    return std::any_cast<typename Call::Request>(found->second);
  }

  Result<SysInfo> ReadSysInfo(const SysInfoRequest& r) override {
    return Handle<calls::ReadSysInfo>(r);
  }
  Result<UserInfo> ReadUserInfo() override { return Handle<calls::ReadUserInfo>({}); }
  Result<void> WriteUserInfo(const WriteUserInfoRequest& r) override {
    return Handle<calls::WriteUserInfo>(r);
  }
  Result<SysDateTime> GetSysDateTime() override { return Handle<calls::GetSysDateTime>({}); }
  Result<void> SetSysDateTime(const SysDateTime& r) override {
    return Handle<calls::SetSysDateTime>(r);
  }
  Result<StorageInfo> ReadStorageInfo(const StorageInfoRequest& r) override {
    return Handle<calls::ReadStorageInfo>(r);
  }
  Result<NetSyncInfo> ReadNetSyncInfo() override { return Handle<calls::ReadNetSyncInfo>({}); }
  Result<void> WriteNetSyncInfo(const WriteNetSyncInfoRequest& r) override {
    return Handle<calls::WriteNetSyncInfo>(r);
  }
  Result<void> OpenConduit() override { return Handle<calls::OpenConduit>({}); }
  Result<void> AddSyncLogEntry(const SyncLogEntry& r) override {
    return Handle<calls::AddSyncLogEntry>(r);
  }
  Result<void> EndOfSync(const EndOfSyncRequest& r) override { return Handle<calls::EndOfSync>(r); }
  Result<DbListPage> ReadDBList(const ReadDbListRequest& r) override {
    return Handle<calls::ReadDBList>(r);
  }
  Result<FindDbReply> FindDB(const FindDbRequest& r) override { return Handle<calls::FindDB>(r); }
  Result<DbHandle> OpenDB(const OpenDbRequest& r) override { return Handle<calls::OpenDB>(r); }
  Result<DbHandle> CreateDB(const CreateDbRequest& r) override {
    return Handle<calls::CreateDB>(r);
  }
  Result<void> CloseDB(const CloseDbRequest& r) override { return Handle<calls::CloseDB>(r); }
  Result<void> DeleteDB(const DeleteDbRequest& r) override { return Handle<calls::DeleteDB>(r); }
  Result<OpenDbInfo> ReadOpenDBInfo(const DbHandle& r) override {
    return Handle<calls::ReadOpenDBInfo>(r);
  }
  Result<DbBlock> ReadAppBlock(const ReadBlockRequest& r) override {
    return Handle<calls::ReadAppBlock>(r);
  }
  Result<void> WriteAppBlock(const WriteBlockRequest& r) override {
    return Handle<calls::WriteAppBlock>(r);
  }
  Result<DbBlock> ReadSortBlock(const ReadBlockRequest& r) override {
    return Handle<calls::ReadSortBlock>(r);
  }
  Result<void> WriteSortBlock(const WriteBlockRequest& r) override {
    return Handle<calls::WriteSortBlock>(r);
  }
  Result<void> CleanUpDatabase(const DbHandle& r) override {
    return Handle<calls::CleanUpDatabase>(r);
  }
  Result<void> ResetSyncFlags(const DbHandle& r) override {
    return Handle<calls::ResetSyncFlags>(r);
  }
  Result<void> ResetRecordIndex(const DbHandle& r) override {
    return Handle<calls::ResetRecordIndex>(r);
  }
  Result<RecordReply> ReadRecord(const ReadRecordRequest& r) override {
    return Handle<calls::ReadRecord>(r);
  }
  Result<RecordReply> ReadNextModifiedRec(const DbHandle& r) override {
    return Handle<calls::ReadNextModifiedRec>(r);
  }
  Result<RecordReply> ReadNextRecInCategory(const NextInCategoryRequest& r) override {
    return Handle<calls::ReadNextRecInCategory>(r);
  }
  Result<RecordIdReply> WriteRecord(const WriteRecordRequest& r) override {
    return Handle<calls::WriteRecord>(r);
  }
  Result<void> DeleteRecord(const DeleteRecordRequest& r) override {
    return Handle<calls::DeleteRecord>(r);
  }
  Result<RecordIdList> ReadRecordIDList(const ReadRecordIdListRequest& r) override {
    return Handle<calls::ReadRecordIDList>(r);
  }
  Result<ResourceReply> ReadResource(const ReadResourceRequest& r) override {
    return Handle<calls::ReadResource>(r);
  }
  Result<void> WriteResource(const WriteResourceRequest& r) override {
    return Handle<calls::WriteResource>(r);
  }
  Result<PreferenceReply> ReadAppPreference(const ReadPreferenceRequest& r) override {
    return Handle<calls::ReadAppPreference>(r);
  }
  Result<void> WriteAppPreference(const WritePreferenceRequest& r) override {
    return Handle<calls::WriteAppPreference>(r);
  }

 private:
  // Keeps the request; answers the set error, else the set reply (a call
  // without reply arguments succeeds), else kDlpErrNotFound.
  template <typename Call>
  Answered<Call> Handle(const typename Call::Request& request) {
    using Reply = typename Call::Reply;
    std::lock_guard lock(m_mutex);
    m_requests[Call::kFunction] = request;
    if (auto error = m_errors.find(Call::kFunction); error != m_errors.end()) {
      return Failure{"set by the test", error->second};
    }
    if constexpr (std::is_same_v<Reply, NoArguments>) {
      return {};
    } else {
      auto reply = m_replies.find(Call::kFunction);
      if (reply == m_replies.end()) return Failure{"no answer set", kDlpErrNotFound};
      return std::any_cast<Reply>(reply->second);
    }
  }

  std::mutex m_mutex;
  std::map<DlpFunction, std::any> m_replies;
  std::map<DlpFunction, int> m_errors;
  std::map<DlpFunction, std::any> m_requests;
};

}  // namespace linktest
