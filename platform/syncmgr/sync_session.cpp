// The calls around the databases: beginning and ending a HotSync, injected
// failures, conduit registration, the user's identity, application
// preferences and giving time back.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

#include "pdb/handheld_image.h"
#include "syncmgr/sync_backend_session.h"
#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::Backend;
using platform::syncmgr::CallScope;
using platform::syncmgr::CodeOf;
using platform::syncmgr::State;
using platform::syncmgr::StateLock;
namespace pdb = platform::pdb;

namespace {

constexpr const char* kFailureVariable = "SYNCMGR_FAIL";
constexpr const char* kKillVariable = "SYNCMGR_KILL";
// A preference resource holds its 2-byte version too, and resources are
// limited like records.
constexpr int32_t kMaxPreferenceSize = 0xFFFF - static_cast<int32_t>(pdb::kPreferenceVersionSize);

platform::syncmgr::PreferenceKey KeyOf(const CRawPreferenceInfo& preference) {
  return {preference.m_creator, preference.m_prefId, preference.m_backedUp != 0};
}

// Begins a HotSync on `backend` with the lock held and no HotSync in
// progress.
int32_t BeginSessionLocked(std::unique_ptr<Backend> backend, const char* logPath) {
  auto& state = State();
  state.backend = std::move(backend);
  state.logPath = logPath != nullptr ? logPath : "";
  state.log.clear();
  state.registered = 0;
  state.callCounts.clear();
  if (const char* failures = std::getenv(kFailureVariable)) {
    platform::syncmgr::AddInjectedFailures(failures);
  }
  if (const char* killPoint = std::getenv(kKillVariable)) {
    platform::syncmgr::SetKillPoint(killPoint);
  }
  return kSyncErrNone;
}

// Ends the HotSync with the lock held: every open database is closed and
// written back when it changed.
void EndSessionLocked() {
  auto& state = State();
  state.backend->CloseAll();
  state.backend.reset();
  state.registered = 0;
  state.injected.clear();
  state.killPoint.reset();
  state.callCounts.clear();
}

}  // namespace

namespace platform::syncmgr {

int32_t BeginSessionOn(std::unique_ptr<Backend> backend, const char* logPath) {
  std::lock_guard lock(StateLock());
  if (backend == nullptr) return kSyncErrBadArgument;
  if (State().Active()) return kSyncErrAlreadyRegistered;
  return BeginSessionLocked(std::move(backend), logPath);
}

}  // namespace platform::syncmgr

extern "C" {

int32_t SyncSessionBegin(const char* imageDir, const char* logPath) {
  std::lock_guard lock(StateLock());
  if (imageDir == nullptr) return kSyncErrBadArgument;
  if (State().Active()) return kSyncErrAlreadyRegistered;
  std::unique_ptr<Backend> image = platform::syncmgr::MakeImageBackend(imageDir);
  if (image == nullptr) return kSyncErrIo;
  return BeginSessionLocked(std::move(image), logPath);
}

void SyncSessionEnd(void) {
  std::lock_guard lock(StateLock());
  if (State().Active()) EndSessionLocked();
}

void SyncInjectFailure(const char* call, int32_t code) {
  std::lock_guard lock(StateLock());
  if (call == nullptr) {
    State().injected.clear();
    return;
  }
  State().injected[call] = code != 0 ? code : kSyncErrInjected;
}

int32_t SyncRegisterConduit(CONDHANDLE* handle) {
  const CallScope call("SyncRegisterConduit");
  if (call.Refused() != 0) return call.Refused();
  if (handle == nullptr) return kSyncErrBadArgument;
  auto& state = State();
  if (state.registered != 0) return kSyncErrAlreadyRegistered;
  if (++state.lastHandle == 0) ++state.lastHandle;
  state.registered = state.lastHandle;
  *handle = state.registered;
  return kSyncErrNone;
}

int32_t SyncUnRegisterConduit(CONDHANDLE handle) {
  const CallScope call("SyncUnRegisterConduit");
  if (call.Refused() != 0) return call.Refused();
  auto& state = State();
  if (handle == 0 || handle != state.registered) return kSyncErrNoSession;
  state.registered = 0;
  return kSyncErrNone;
}

int32_t SyncReadUserID(CUserIDInfo* info) {
  const CallScope call("SyncReadUserID");
  if (call.Refused() != 0) return call.Refused();
  if (info == nullptr) return kSyncErrBadArgument;
  const auto user = call.Handheld().ReadUser();
  if (!user) return CodeOf(user);
  const size_t length = std::min(user->name.size(), sizeof info->m_pName);
  std::memset(info->m_pName, 0, sizeof info->m_pName);
  std::memcpy(info->m_pName, user->name.data(), length);
  info->m_NameLength = static_cast<int32_t>(length);
  info->m_UserId = user->id;
  return kSyncErrNone;
}

int32_t SyncReadAppPreference(CRawPreferenceInfo* preference) {
  const CallScope call("SyncReadAppPreference");
  if (call.Refused() != 0) return call.Refused();
  if (preference == nullptr || preference->m_nBufSize < 0 ||
      (preference->m_pBuffer == nullptr && preference->m_nBufSize > 0)) {
    return kSyncErrBadArgument;
  }
  const auto wanted =
      static_cast<uint16_t>(std::min<int32_t>(preference->m_reqBytes, preference->m_nBufSize));
  const auto read = call.Handheld().ReadPreference(KeyOf(*preference), wanted);
  if (!read) return CodeOf(read);
  if (!read->data.empty()) std::memcpy(preference->m_pBuffer, read->data.data(), read->data.size());
  preference->m_retBytes = static_cast<uint16_t>(read->data.size());
  preference->m_actSize = static_cast<uint16_t>(std::min<uint32_t>(read->size, 0xFFFF));
  // The request carries an 8-bit version; the stored one has 16 bits.
  preference->m_version = static_cast<uint8_t>(read->version);
  return kSyncErrNone;
}

int32_t SyncWriteAppPreference(CRawPreferenceInfo* preference) {
  const CallScope call("SyncWriteAppPreference");
  if (call.Refused() != 0) return call.Refused();
  if (preference == nullptr || preference->m_nBufSize < 0 ||
      preference->m_nBufSize > kMaxPreferenceSize ||
      (preference->m_pBuffer == nullptr && preference->m_nBufSize > 0)) {
    return kSyncErrBadArgument;
  }
  const std::span<const uint8_t> data(preference->m_pBuffer,
                                      static_cast<size_t>(preference->m_nBufSize));
  return CodeOf(call.Handheld().WritePreference(KeyOf(*preference), preference->m_version, data));
}

int32_t SyncYieldCycles(uint16_t /*maxMilliseconds*/) {
  const CallScope call("SyncYieldCycles", false);
  return call.Refused();
}

}  // extern "C"
