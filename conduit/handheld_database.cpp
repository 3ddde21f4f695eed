// Opening, reading the application-info block of and closing a handheld
// database through the Sync Manager.
#include "handheld_database.h"

#include <algorithm>

#include "syncmgr/syncmgr.h"

namespace conduit {

HandheldDatabase::~HandheldDatabase() {
  if (m_open) SyncCloseDB(m_handle);
}

int32_t HandheldDatabase::Open(const char* name, uint8_t mode) {
  const int32_t result = SyncOpenDB(name, 0, &m_handle, mode);
  m_open = result == kSyncErrNone;
  return result;
}

void HandheldDatabase::Adopt(uint8_t handle) {
  m_handle = handle;
  m_open = true;
}

int32_t HandheldDatabase::Close() {
  m_open = false;
  return SyncCloseDB(m_handle);
}

int32_t HandheldDatabase::ReadAppInfoBlock(std::vector<uint8_t>& bytes) const {
  CDbGenInfo info{};
  info.m_TotalBytes = static_cast<uint16_t>(std::min<size_t>(bytes.size(), UINT16_MAX));
  info.m_pBytes = bytes.data();
  const int32_t result = SyncReadDBAppInfoBlock(m_handle, &info);
  if (result == kSyncErrNone) bytes.resize(std::min<size_t>(info.m_BytesRead, bytes.size()));
  return result;
}

}  // namespace conduit
