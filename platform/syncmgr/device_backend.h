// The handheld at the far end of a link, reached over DLP: each Backend call
// becomes the DLP call that does the same on the handheld, and the
// handheld's DLP error becomes a Sync Manager code (SyncCodeOfDlpError).
//
// Handles are the backend's own, from 1 to 255, each standing for a handle
// the handheld gave; the backend keeps their open modes and kinds itself, so
// that the Sync Manager's checks cost no round trip. Whether a database is a
// resource database is known for the ones created here; for an opened one
// the handheld is trusted to refuse record calls, and its refusal is
// remembered for the handle.
//
// A link that fails, or a reply that does not answer its request, ends the
// HotSync: that call and every later one fail with kSyncErrIo at once,
// without touching the link again.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "link/dlp_client.h"
#include "syncmgr/handheld_backend.h"

namespace platform::syncmgr {

// The Sync Manager code for a failure of a DLP call: the handheld's DLP
// error, or kDlpLinkFailure. `notFound` is what "not found" means to the
// call (kSyncErrNotFound for a database, kSyncErrNoRecord for a record...).
int32_t SyncCodeOfDlpError(int dlpError, int32_t notFound);

class DeviceBackend final : public Backend {
 public:
  // Works on the handheld at the far end of `link`, which must outlive the
  // backend and carry nothing else while it lives.
  explicit DeviceBackend(link::DesktopLink& link);

  Result<uint8_t> OpenDatabase(std::string_view name, uint8_t card, uint8_t mode) override;
  Result<uint8_t> CreateDatabase(const NewDatabase& database) override;
  Result<void> CloseDatabase(uint8_t handle) override;
  void AbandonDatabase(uint8_t handle) override;
  void CloseAll() override;
  std::optional<OpenedDatabase> Opened(uint8_t handle) const override;

  Result<uint16_t> RecordCount(uint8_t handle) override;
  Result<std::vector<uint8_t>> ReadAppInfo(uint8_t handle, uint16_t maxBytes) override;
  Result<void> WriteAppInfo(uint8_t handle, std::span<const uint8_t> block) override;
  Result<void> PurgeDeletedRecords(uint8_t handle) override;
  Result<void> PurgeAllRecords(uint8_t handle) override;

  Result<HandheldRecord> ReadRecordByIndex(uint8_t handle, uint16_t index,
                                           uint16_t maxBytes) override;
  Result<uint32_t> WriteRecord(uint8_t handle, HandheldRecord record) override;
  Result<void> DeleteRecord(uint8_t handle, uint32_t id) override;
  Result<void> ResetRecordIndex(uint8_t handle) override;
  Result<HandheldRecord> ReadNextRecordInCategory(uint8_t handle, uint8_t category,
                                                  uint16_t maxBytes) override;

  Result<PreferenceRead> ReadPreference(const PreferenceKey& key, uint16_t maxBytes) override;
  Result<void> WritePreference(const PreferenceKey& key, uint16_t version,
                               std::span<const uint8_t> data) override;
  Result<HandheldUser> ReadUser() override;

 private:
  struct OpenHandle {
    uint8_t onHandheld = 0;  // the handle the handheld gave
    OpenedDatabase opened;
  };

  // The open handle, or a kSyncErrBadHandle failure.
  Result<OpenHandle*> Find(uint8_t handle);
  // The open handle of a database that takes record calls (not known to
  // be a resource database).
  Result<OpenHandle*> FindRecordDatabase(uint8_t handle);
  // The lowest handle not in use; 0 when all are.
  uint8_t FreeHandle() const;
  // Makes one DLP call, `call(m_client)`, unless the link is lost; a
  // failure comes back through Translated. `recordsOf` is the handle of a
  // record call.
  template <typename Call>
  auto Ask(int32_t notFound, Call call, OpenHandle* recordsOf = nullptr)
      -> decltype(call(std::declval<link::DlpClient&>()));
  // The failure of a DLP call with its Sync Manager code. A link failure
  // marks the link lost; a record call refused as not for this kind of
  // database shows `recordsOf` to be a resource database.
  Failure Translated(const Failure& failure, int32_t notFound, OpenHandle* recordsOf);
  // The failure of every call once the link is lost.
  static Failure LinkLost();

  link::DlpClient m_client;
  std::map<uint8_t, OpenHandle> m_handles;
  std::optional<HandheldUser> m_user;  // read once, at the first ReadUser
  bool m_linkLost = false;
};

template <typename Call>
auto DeviceBackend::Ask(int32_t notFound, Call call, OpenHandle* recordsOf)
    -> decltype(call(std::declval<link::DlpClient&>())) {
  if (m_linkLost) return LinkLost();
  auto answer = call(m_client);
  if (!answer) return Translated(answer.Error(), notFound, recordsOf);
  return answer;
}

}  // namespace platform::syncmgr
