// The image's user: the identity in handheld.ini and the application
// preferences in the two preferences databases, read and written at once.
#include "syncmgr/image_backend.h"

namespace platform::syncmgr {

Result<PreferenceRead> ImageBackend::ReadPreference(const PreferenceKey& key, uint16_t maxBytes) {
  pdb::AppPreference stored;
  const auto error = m_image.ReadPreference(key.creator, key.id, key.saved, &stored);
  if (error != pdb::ImageError::kNone) {
    return ImageFailure(error, kSyncErrNoPreference, kSyncErrBadArgument);
  }
  PreferenceRead read;
  read.version = stored.version;
  read.size = static_cast<uint32_t>(stored.data.size());
  read.data = FirstBytes(stored.data, maxBytes);
  return read;
}

Result<void> ImageBackend::WritePreference(const PreferenceKey& key, uint16_t version,
                                           std::span<const uint8_t> data) {
  const pdb::AppPreference stored{version, std::vector<uint8_t>(data.begin(), data.end())};
  const auto error = m_image.WritePreference(key.creator, key.id, key.saved, stored);
  if (error != pdb::ImageError::kNone) return ImageFailure(error, kSyncErrIo, kSyncErrBadArgument);
  return {};
}

Result<HandheldUser> ImageBackend::ReadUser() {
  return HandheldUser{m_image.ReadUserName().value_or(""), m_image.ReadUserId()};
}

}  // namespace platform::syncmgr
