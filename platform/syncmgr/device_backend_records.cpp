// The handheld's records over DLP: read by index, write, delete and the
// category walk, which the handheld keeps for each open database; then its
// application preferences and its user.
#include "syncmgr/device_backend.h"

namespace platform::syncmgr {
namespace {

using link::DlpClient;

// The attribute bits a record read reports; the category has its own byte.
constexpr uint8_t kReportedAttributes =
    kRecAttrDeleted | kRecAttrDirty | kRecAttrBusy | kRecAttrSecret | kRecAttrArchived;

// The record as the Sync Manager reports it, its data cut to `maxBytes`
// (a handheld may send more than it was asked for).
HandheldRecord Reported(link::RecordReply reply, uint16_t maxBytes) {
  if (reply.data.size() > maxBytes) reply.data.resize(maxBytes);
  HandheldRecord record;
  record.id = reply.recordId;
  record.index = reply.index;
  record.attributes = reply.attributes & kReportedAttributes;
  record.category = reply.category & kRecCategoryMask;
  record.data = std::move(reply.data);
  return record;
}

}  // namespace

Result<DeviceBackend::OpenHandle*> DeviceBackend::FindRecordDatabase(uint8_t handle) {
  Result<OpenHandle*> open = Find(handle);
  if (open && (*open)->opened.resource) {
    return Failure{"a resource database has no records", kSyncErrBadArgument};
  }
  return open;
}

Result<HandheldRecord> DeviceBackend::ReadRecordByIndex(uint8_t handle, uint16_t index,
                                                        uint16_t maxBytes) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  // Only as many bytes as the caller's buffer takes cross the link.
  link::ReadRecordRequest request;
  request.by = link::ReadRecordRequest::By::kIndex;
  request.handle = (*open)->onHandheld;
  request.index = index;
  request.length = maxBytes;
  Result<link::RecordReply> read = Ask(
      kSyncErrNoRecord, [&](DlpClient& client) { return client.ReadRecord(request); }, *open);
  if (!read) return read.Error();
  return Reported(std::move(*read), maxBytes);
}

Result<uint32_t> DeviceBackend::WriteRecord(uint8_t handle, HandheldRecord record) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  const link::WriteRecordRequest request{(*open)->onHandheld, record.id, record.attributes,
                                         record.category, std::move(record.data)};
  return Ask(
      kSyncErrNoRecord, [&](DlpClient& client) { return client.WriteRecord(request); }, *open);
}

Result<void> DeviceBackend::DeleteRecord(uint8_t handle, uint32_t id) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  const link::DeleteRecordRequest request{link::DeleteRecordRequest::Which::kOne,
                                          (*open)->onHandheld, id};
  return Ask(
      kSyncErrNoRecord, [&](DlpClient& client) { return client.DeleteRecord(request); }, *open);
}

Result<void> DeviceBackend::ResetRecordIndex(uint8_t handle) {
  const Result<OpenHandle*> open = Find(handle);
  if (!open) return open.Error();
  return Ask(kSyncErrNoRecord,
             [&](DlpClient& client) { return client.ResetRecordIndex((*open)->onHandheld); });
}

Result<HandheldRecord> DeviceBackend::ReadNextRecordInCategory(uint8_t handle, uint8_t category,
                                                               uint16_t maxBytes) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  // The call has no length: the whole record crosses the link.
  Result<link::RecordReply> read = Ask(
      kSyncErrNoRecord,
      [&](DlpClient& client) {
        return client.ReadNextRecInCategory((*open)->onHandheld, category);
      },
      *open);
  if (!read) return read.Error();
  return Reported(std::move(*read), maxBytes);
}

Result<PreferenceRead> DeviceBackend::ReadPreference(const PreferenceKey& key, uint16_t maxBytes) {
  const link::ReadPreferenceRequest request{key.creator, key.id, maxBytes, key.saved};
  Result<link::PreferenceReply> read = Ask(
      kSyncErrNoPreference, [&](DlpClient& client) { return client.ReadAppPreference(request); });
  if (!read) return read.Error();
  if (read->data.size() > maxBytes) read->data.resize(maxBytes);
  return PreferenceRead{read->version, read->size, std::move(read->data)};
}

Result<void> DeviceBackend::WritePreference(const PreferenceKey& key, uint16_t version,
                                            std::span<const uint8_t> data) {
  const link::WritePreferenceRequest request{key.creator, key.id, version, key.saved,
                                             std::vector<uint8_t>(data.begin(), data.end())};
  return Ask(kSyncErrNoPreference,
             [&](DlpClient& client) { return client.WriteAppPreference(request); });
}

Result<HandheldUser> DeviceBackend::ReadUser() {
  if (m_user) return *m_user;
  const Result<link::UserInfo> user =
      Ask(kSyncErrNotFound, [](DlpClient& client) { return client.ReadUserInfo(); });
  if (!user) return user.Error();
  m_user = HandheldUser{user->name, user->userId};
  return *m_user;
}

}  // namespace platform::syncmgr
