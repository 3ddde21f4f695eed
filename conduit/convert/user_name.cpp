// GetHandheldUserName: the name of the HotSync user, read through the Sync
// Manager. The identity record's name field is not necessarily terminated,
// so no more than its length field says, and never more than the field,
// is taken.
#include <algorithm>

#include "convert/convert.h"
#include "syncmgr/syncmgr.h"

namespace conduit {

std::string GetHandheldUserName() {
  CUserIDInfo info{};
  if (SyncReadUserID(&info) != kSyncErrNone) return {};
  const int32_t fieldSize = static_cast<int32_t>(sizeof(info.m_pName));
  const size_t length = static_cast<size_t>(std::clamp(info.m_NameLength, 0, fieldSize));
  const std::string_view name(info.m_pName, length);
  // The name ends at a NUL inside its length, as the C text it is.
  return std::string(name.substr(0, name.find('\0')));
}

}  // namespace conduit
