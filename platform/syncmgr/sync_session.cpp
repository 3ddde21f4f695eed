// The calls around the databases: beginning and ending a HotSync, injected
// failures, conduit registration, the user's identity, application
// preferences and giving time back.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "syncmgr/sync_state.h"
#include "syncmgr/syncmgr.h"

using platform::syncmgr::CallScope;
using platform::syncmgr::State;
using platform::syncmgr::StateLock;
namespace pdb = platform::pdb;

namespace {

constexpr const char* kFailureVariable = "SYNCMGR_FAIL";
constexpr const char* kKillVariable = "SYNCMGR_KILL";
// A preference resource holds its 2-byte version too, and resources are
// limited like records.
constexpr int32_t kMaxPreferenceSize = 0xFFFF - static_cast<int32_t>(pdb::kPreferenceVersionSize);

int32_t ToSyncError(pdb::ImageError error, int32_t notFound) {
  switch (error) {
    case pdb::ImageError::kNone:
      return kSyncErrNone;
    case pdb::ImageError::kNotFound:
      return notFound;
    case pdb::ImageError::kDamaged:
      return kSyncErrDamaged;
    case pdb::ImageError::kBadName:
      return kSyncErrBadArgument;
    case pdb::ImageError::kIo:
    case pdb::ImageError::kExists:
      break;
  }
  return kSyncErrIo;
}

// Ends the HotSync with the lock held: every open database is closed and
// written back when it changed.
void EndSessionLocked() {
  auto& state = State();
  for (size_t i = 0; i < state.handles.size(); ++i) {
    if (state.handles[i]) platform::syncmgr::CloseHandle(static_cast<uint8_t>(i + 1));
  }
  state.active = false;
  state.registered = 0;
  state.injected.clear();
  state.killPoint.reset();
  state.callCounts.clear();
}

}  // namespace

extern "C" {

int32_t SyncSessionBegin(const char* imageDir, const char* logPath) {
  std::lock_guard lock(StateLock());
  auto& state = State();
  if (imageDir == nullptr) return kSyncErrBadArgument;
  if (state.active) return kSyncErrAlreadyRegistered;
  pdb::HandheldImage image(imageDir);
  if (!image.Exists()) return kSyncErrIo;
  state.image = std::move(image);
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
  state.active = true;
  return kSyncErrNone;
}

void SyncSessionEnd(void) {
  std::lock_guard lock(StateLock());
  if (State().active) EndSessionLocked();
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
  const std::string name = State().image.ReadUserName().value_or("");
  const size_t length = std::min(name.size(), sizeof info->m_pName);
  std::memset(info->m_pName, 0, sizeof info->m_pName);
  std::memcpy(info->m_pName, name.data(), length);
  info->m_NameLength = static_cast<int32_t>(length);
  info->m_UserId = State().image.ReadUserId();
  return kSyncErrNone;
}

int32_t SyncReadAppPreference(CRawPreferenceInfo* preference) {
  const CallScope call("SyncReadAppPreference");
  if (call.Refused() != 0) return call.Refused();
  if (preference == nullptr || preference->m_nBufSize < 0 ||
      (preference->m_pBuffer == nullptr && preference->m_nBufSize > 0)) {
    return kSyncErrBadArgument;
  }
  pdb::AppPreference stored;
  const auto error = State().image.ReadPreference(preference->m_creator, preference->m_prefId,
                                                  preference->m_backedUp != 0, &stored);
  if (error != pdb::ImageError::kNone) return ToSyncError(error, kSyncErrNoPreference);
  const size_t wanted = std::min<size_t>(preference->m_reqBytes, preference->m_nBufSize);
  const size_t copied = std::min(wanted, stored.data.size());
  if (copied > 0) std::memcpy(preference->m_pBuffer, stored.data.data(), copied);
  preference->m_retBytes = static_cast<uint16_t>(copied);
  preference->m_actSize = static_cast<uint16_t>(std::min<size_t>(stored.data.size(), 0xFFFF));
  // The request carries an 8-bit version; the stored one has 16 bits.
  preference->m_version = static_cast<uint8_t>(stored.version);
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
  pdb::AppPreference stored;
  stored.version = preference->m_version;
  if (preference->m_nBufSize > 0) {
    stored.data.assign(preference->m_pBuffer, preference->m_pBuffer + preference->m_nBufSize);
  }
  const auto error = State().image.WritePreference(preference->m_creator, preference->m_prefId,
                                                   preference->m_backedUp != 0, stored);
  return ToSyncError(error, kSyncErrIo);
}

int32_t SyncYieldCycles(uint16_t /*maxMilliseconds*/) {
  const CallScope call("SyncYieldCycles", false);
  return call.Refused();
}

}  // extern "C"
