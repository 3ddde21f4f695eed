// The handheld over DLP: the error table, the handles and the database
// calls (open, create, close, the record count, the application-info block
// and the two purges).
#include "syncmgr/device_backend.h"

#include <utility>

#include "pdb/palm_database.h"
#include "syncmgr/sync_backend_session.h"

namespace platform::syncmgr {
namespace {

using link::DlpClient;

// What each DLP error means to the Sync Manager; "not found" depends on
// the call, a link failure and an error not listed are kSyncErrIo.
constexpr std::pair<int, int32_t> kSyncCodeOfDlpError[] = {
    {link::kDlpErrSystem, kSyncErrIo},
    {link::kDlpErrIllegalRequest, kSyncErrIo},  // a handheld too old for the call
    {link::kDlpErrMemory, kSyncErrIo},
    {link::kDlpErrParameter, kSyncErrBadArgument},
    {link::kDlpErrNoneOpen, kSyncErrBadHandle},
    {link::kDlpErrAlreadyOpen, kSyncErrIo},  // open elsewhere on the handheld
    {link::kDlpErrTooManyOpen, kSyncErrTooManyOpen},
    {link::kDlpErrAlreadyExists, kSyncErrExists},
    {link::kDlpErrCannotOpen, kSyncErrIo},
    {link::kDlpErrRecordDeleted, kSyncErrNoRecord},
    {link::kDlpErrRecordBusy, kSyncErrIo},
    // A record call on a resource database, as the Sync Manager answers it
    // when it knows the kind itself.
    {link::kDlpErrNotSupported, kSyncErrBadArgument},
    {link::kDlpErrReadOnly, kSyncErrReadOnly},
    {link::kDlpErrNotEnoughSpace, kSyncErrIo},
    {link::kDlpErrLimitExceeded, kSyncErrIo},
    {link::kDlpErrCancelled, kSyncErrCancelled},
    {link::kDlpErrBadWrapper, kSyncErrBadArgument},
    {link::kDlpErrArgumentMissing, kSyncErrBadArgument},
    {link::kDlpErrBadArgumentSize, kSyncErrBadArgument},
};

constexpr uint8_t kLastHandle = 255;

}  // namespace

int32_t SyncCodeOfDlpError(int dlpError, int32_t notFound) {
  if (dlpError == link::kDlpErrNotFound) return notFound;
  for (const auto& [error, code] : kSyncCodeOfDlpError) {
    if (error == dlpError) return code;
  }
  return kSyncErrIo;
}

std::unique_ptr<Backend> MakeDeviceBackend(link::DesktopLink& link) {
  return std::make_unique<DeviceBackend>(link);
}

DeviceBackend::DeviceBackend(link::DesktopLink& link) : m_client(link) {}

Failure DeviceBackend::LinkLost() {
  return Failure{"the link to the handheld is lost", kSyncErrIo};
}

Failure DeviceBackend::Translated(const Failure& failure, int32_t notFound, OpenHandle* recordsOf) {
  if (failure.code == link::kDlpLinkFailure) m_linkLost = true;
  if (recordsOf != nullptr && failure.code == link::kDlpErrNotSupported) {
    recordsOf->opened.resource = true;
  }
  return Failure{failure.reason, SyncCodeOfDlpError(failure.code, notFound)};
}

Result<DeviceBackend::OpenHandle*> DeviceBackend::Find(uint8_t handle) {
  const auto found = m_handles.find(handle);
  if (found == m_handles.end()) return Failure{"the handle is not open", kSyncErrBadHandle};
  return &found->second;
}

uint8_t DeviceBackend::FreeHandle() const {
  uint8_t candidate = 1;
  // The map is in handle order: the first gap is the lowest free handle.
  for (const auto& entry : m_handles) {
    if (entry.first != candidate) break;
    if (candidate == kLastHandle) return 0;
    ++candidate;
  }
  return candidate;
}

std::optional<OpenedDatabase> DeviceBackend::Opened(uint8_t handle) const {
  const auto found = m_handles.find(handle);
  if (found == m_handles.end()) return std::nullopt;
  return found->second.opened;
}

Result<uint8_t> DeviceBackend::OpenDatabase(std::string_view name, uint8_t card, uint8_t mode) {
  // No database has a name too long for the request.
  if (name.size() > link::kDlpMaxDbNameLength) return Failure{"no such database", kSyncErrNotFound};
  const uint8_t handle = FreeHandle();
  if (handle == 0) return Failure{"every database handle is in use", kSyncErrTooManyOpen};
  // The Sync Manager's open modes are DLP's.
  const Result<uint8_t> opened = Ask(kSyncErrNotFound, [&](DlpClient& client) {
    return client.OpenDB(std::string(name), mode, card);
  });
  if (!opened) return opened.Error();
  m_handles[handle] = OpenHandle{*opened, OpenedDatabase{mode, false}};
  return handle;
}

Result<uint8_t> DeviceBackend::CreateDatabase(const NewDatabase& database) {
  const uint8_t handle = FreeHandle();
  if (handle == 0) return Failure{"every database handle is in use", kSyncErrTooManyOpen};
  const link::CreateDbRequest request{database.creator, database.type,    database.card,
                                      database.flags,   database.version, database.name};
  const Result<uint8_t> created =
      Ask(kSyncErrNotFound, [&](DlpClient& client) { return client.CreateDB(request); });
  if (!created) return created.Error();
  const bool resource = (database.flags & pdb::kDbAttrResource) != 0;
  m_handles[handle] = OpenHandle{*created, OpenedDatabase{kCreatedDatabaseMode, resource}};
  return handle;
}

Result<void> DeviceBackend::CloseDatabase(uint8_t handle) {
  const Result<OpenHandle*> open = Find(handle);
  if (!open) return open.Error();
  const uint8_t onHandheld = (*open)->onHandheld;
  // The handle is closed here whatever the handheld answers.
  m_handles.erase(handle);
  return Ask(kSyncErrBadHandle, [&](DlpClient& client) { return client.CloseDB(onHandheld); });
}

void DeviceBackend::AbandonDatabase(uint8_t handle) {
  // The handheld stored each change as it was made, and a close cannot take
  // one back: what was written through the handle stays on the handheld.
  static_cast<void>(CloseDatabase(handle));
}

void DeviceBackend::CloseAll() {
  // Handle by handle, so that databases the HotSync Manager opened on the
  // same handheld stay open; once the link is lost, none touches it.
  while (!m_handles.empty()) static_cast<void>(CloseDatabase(m_handles.begin()->first));
}

Result<uint16_t> DeviceBackend::RecordCount(uint8_t handle) {
  const Result<OpenHandle*> open = Find(handle);
  if (!open) return open.Error();
  return Ask(kSyncErrNotFound,
             [&](DlpClient& client) { return client.ReadOpenDBInfo((*open)->onHandheld); });
}

Result<std::vector<uint8_t>> DeviceBackend::ReadAppInfo(uint8_t handle, uint16_t maxBytes) {
  const Result<OpenHandle*> open = Find(handle);
  if (!open) return open.Error();
  // Only as many bytes as the caller's buffer takes cross the link.
  const link::ReadBlockRequest request{(*open)->onHandheld, 0, maxBytes};
  Result<link::DbBlock> block =
      Ask(kSyncErrNoAppInfo, [&](DlpClient& client) { return client.ReadAppBlock(request); });
  if (!block) return block.Error();
  if (block->data.size() > maxBytes) block->data.resize(maxBytes);
  return std::move(block->data);
}

Result<void> DeviceBackend::WriteAppInfo(uint8_t handle, std::span<const uint8_t> block) {
  const Result<OpenHandle*> open = Find(handle);
  if (!open) return open.Error();
  return Ask(kSyncErrNotFound,
             [&](DlpClient& client) { return client.WriteAppBlock((*open)->onHandheld, block); });
}

Result<void> DeviceBackend::PurgeDeletedRecords(uint8_t handle) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  return Ask(
      kSyncErrNoRecord,
      [&](DlpClient& client) { return client.CleanUpDatabase((*open)->onHandheld); }, *open);
}

Result<void> DeviceBackend::PurgeAllRecords(uint8_t handle) {
  const Result<OpenHandle*> open = FindRecordDatabase(handle);
  if (!open) return open.Error();
  const link::DeleteRecordRequest request{link::DeleteRecordRequest::Which::kAll,
                                          (*open)->onHandheld};
  return Ask(
      kSyncErrNoRecord, [&](DlpClient& client) { return client.DeleteRecord(request); }, *open);
}

}  // namespace platform::syncmgr
