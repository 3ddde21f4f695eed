// A handheld for tests whose DLP calls are answered by a Sync Manager
// Backend (an ImageBackend on a handheld image folder): a DeviceBackend
// talking to it over a link should be indistinguishable from that Backend
// used directly. Each handle it gives is the Backend's plus kHandleOffset,
// so that a desktop passing its own handles on would be caught; the calls
// the Sync Manager never makes answer as FakeHandheld does.
#pragma once

#include <memory>

#include "link/tests/fake_handheld.h"
#include "syncmgr/handheld_backend.h"

namespace syncmgr_test {

using namespace platform::link;
using platform::Failure;
using platform::Result;

class BackendHandheld final : public linktest::FakeHandheld {
 public:
  static constexpr uint8_t kHandleOffset = 100;

  explicit BackendHandheld(std::unique_ptr<platform::syncmgr::Backend> backend)
      : m_backend(std::move(backend)) {}

  Result<UserInfo> ReadUserInfo() override;
  Result<DbHandle> OpenDB(const OpenDbRequest& request) override;
  Result<DbHandle> CreateDB(const CreateDbRequest& request) override;
  Result<void> CloseDB(const CloseDbRequest& request) override;
  Result<OpenDbInfo> ReadOpenDBInfo(const DbHandle& request) override;
  Result<DbBlock> ReadAppBlock(const ReadBlockRequest& request) override;
  Result<void> WriteAppBlock(const WriteBlockRequest& request) override;
  Result<void> CleanUpDatabase(const DbHandle& request) override;
  Result<void> ResetRecordIndex(const DbHandle& request) override;
  Result<RecordReply> ReadRecord(const ReadRecordRequest& request) override;
  Result<RecordReply> ReadNextRecInCategory(const NextInCategoryRequest& request) override;
  Result<RecordIdReply> WriteRecord(const WriteRecordRequest& request) override;
  Result<void> DeleteRecord(const DeleteRecordRequest& request) override;
  Result<PreferenceReply> ReadAppPreference(const ReadPreferenceRequest& request) override;
  Result<void> WriteAppPreference(const WritePreferenceRequest& request) override;

 private:
  // The Backend's handle for the handheld's `handle`.
  static uint8_t Inner(uint8_t handle) { return static_cast<uint8_t>(handle - kHandleOffset); }
  // A record call on a resource database is refused as a handheld does.
  Result<void> TakesRecords(uint8_t handle) const;

  std::unique_ptr<platform::syncmgr::Backend> m_backend;
};

}  // namespace syncmgr_test
