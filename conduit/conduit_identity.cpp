// Name, version, information answers and the configuration of the action.
// Every write stays inside the buffer and size that the caller gave.
#include "conduit_identity.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace conduit {

namespace {

constexpr int32_t kSyncTypeForIndex[CHotSyncActionDlg::kChoiceCount] = {
    kSyncTypeFast, kSyncTypePcToHandheld, kSyncTypeHandheldToPc, kSyncTypeDoNothing};

// Clears `size` bytes of `buffer` and copies the name, leaving room for a
// NUL. Nothing is written when the buffer has no room at all.
void CopyName(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  std::memset(buffer, 0, size);
  const std::string_view name = kConduitDisplayName;
  std::memcpy(buffer, name.data(), std::min(name.size(), size - 1));
}

void WriteU32(void* out, uint32_t value) {
  std::memcpy(out, &value, sizeof value);
}

int32_t AnswerName(const void* inArgs, void* out, uint32_t outSize) {
  if (inArgs == nullptr) return kConduitErrNoInArgs;
  // Only the structure's version and size are read.
  uint32_t version = 0;
  uint32_t size = 0;
  std::memcpy(&version,
              static_cast<const char*>(inArgs) + offsetof(CConduitInfoRequest, m_dwVersion),
              sizeof version);
  std::memcpy(&size, static_cast<const char*>(inArgs) + offsetof(CConduitInfoRequest, m_dwSize),
              sizeof size);
  if (version != kConduitInfoRequestVersion || size != kConduitInfoRequestSize) {
    return kConduitErrBadInArgs;
  }
  CopyName(static_cast<char*>(out), outSize);
  return 0;
}

int32_t AnswerValue(void* out, uint32_t outSize, uint32_t value) {
  if (outSize != sizeof(uint32_t)) return kConduitErrBadOutputSize;
  WriteU32(out, value);
  return 0;
}

}  // namespace

int32_t GetConduitName(char* name, uint16_t length) {
  CopyName(name, length);
  return 0;
}

uint32_t GetConduitVersion() {
  return kConduitVersion;
}

int32_t GetConduitInfo(int32_t kind, const void* inArgs, void* out, const uint32_t* outSize) {
  if (out == nullptr) return kConduitErrNoOutput;
  if (outSize == nullptr) return kConduitErrNoOutputSize;
  switch (kind) {
    case kInfoName:
      return AnswerName(inArgs, out, *outSize);
    case kInfoFrameworkVersion:
      return AnswerValue(out, *outSize, kFrameworkVersionValue);
    case kInfoDefaultAction:
      return AnswerValue(out, *outSize, kDefaultActionValue);
    default:
      return kConduitErrUnknownKind;
  }
}

int ActionIndexForSyncType(int32_t syncType) {
  const auto type = static_cast<uint32_t>(syncType);
  if (type <= kSyncTypeSlow) return 0;
  if (type == kSyncTypePcToHandheld) return 1;
  if (type == kSyncTypeHandheldToPc) return 2;
  return 3;
}

int32_t SyncTypeForActionIndex(int actionIndex) {
  return kSyncTypeForIndex[std::clamp(actionIndex, 0, CHotSyncActionDlg::kChoiceCount - 1)];
}

int32_t ConfigureConduit(CSyncPreference* preference, const ActionDialogRunner& showDialog) {
  if (preference == nullptr) return -1;
  CHotSyncActionDlg dialog(nullptr);
  preference->m_SyncPref = kSyncPrefNone;
  dialog.m_conduitName = kConduitDisplayName;
  dialog.m_actionIndex = ActionIndexForSyncType(preference->m_SyncType);
  if (showDialog(dialog) != CHotSyncActionDlg::kOk) return -1;
  preference->m_SyncType = SyncTypeForActionIndex(dialog.m_actionIndex);
  preference->m_SyncPref = dialog.m_setAsDefault ? kSyncPrefPermanent : kSyncPrefTemporary;
  return 0;
}

int32_t ConfigureConduit(CSyncPreference* preference) {
  return ConfigureConduit(preference, [](CHotSyncActionDlg& dialog) { return dialog.DoModal(); });
}

}  // namespace conduit
