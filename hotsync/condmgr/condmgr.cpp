// The Conduit Manager's exports: each call reads "conduits.ini", answers or
// changes it, and writes it back whole when it changed. Nothing is kept in
// memory between calls, so every program that loads the library sees the
// others' changes.
#include "condmgr.h"

#include <functional>
#include <string>
#include <string_view>

#include "common/hotsync_home.h"
#include "common/text_out.h"
#include "conduit_registry.h"
#include "fs/fs.h"

#define CONDMGR_EXPORT extern "C" CONDMGR_API

namespace hotsync {
namespace {

std::string RegistryPath() {
  const std::string home = HotSyncHome();
  return home.empty() ? std::string() : home + "/" + kRegistrationFileName;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

int32_t CheckCreator(const char* creator) {
  if (creator == nullptr) return kCmErrBadArgument;
  return IsValidCreator(creator) ? kCmErrNone : kCmErrBadCreator;
}

// Loads the registry, lets `change` work on the registration of `creator`
// and saves the registry when `change` returned 0 and `save` is set.
int32_t WithRegistration(const char* creator, bool save,
                         const std::function<int32_t(ConduitRegistration&)>& change) {
  if (int32_t error = CheckCreator(creator); error != kCmErrNone) return error;
  const std::string path = RegistryPath();
  if (path.empty()) return kCmErrStorage;
  std::optional<ConduitRegistry> registry = LoadRegistry(path);
  if (!registry) return kCmErrStorage;
  ConduitRegistration* registration = registry->Find(creator);
  if (registration == nullptr) return kCmErrNotFound;
  if (int32_t result = change(*registration); result != kCmErrNone) return result;
  if (save && SaveRegistry(path, *registry) != 0) return kCmErrStorage;
  return kCmErrNone;
}

int32_t TextOut(std::string_view text, char* buffer, int32_t* size) {
  return CopyTextOut(text, buffer, size) ? kCmErrNone : kCmErrBufferTooSmall;
}

bool BadBuffer(const char* buffer, const int32_t* size) {
  return buffer == nullptr || size == nullptr || *size < 0;
}

}  // namespace
}  // namespace hotsync

using namespace hotsync;

CONDMGR_EXPORT int32_t CmAddConduit(const char* creator, const char* libraryPath) {
  if (int32_t error = CheckCreator(creator); error != kCmErrNone) return error;
  if (libraryPath == nullptr || *libraryPath == '\0' || HasLineBreak(libraryPath)) {
    return kCmErrBadArgument;
  }
  const std::string path = RegistryPath();
  if (path.empty()) return kCmErrStorage;
  std::optional<ConduitRegistry> registry = LoadRegistry(path);
  if (!registry) return kCmErrStorage;
  registry->Add(creator, libraryPath);
  return SaveRegistry(path, *registry) == 0 ? kCmErrNone : kCmErrStorage;
}

CONDMGR_EXPORT int32_t CmRemoveConduitByCreatorID(const char* creator) {
  if (int32_t error = CheckCreator(creator); error != kCmErrNone) return error;
  const std::string path = RegistryPath();
  if (path.empty()) return kCmErrStorage;
  std::optional<ConduitRegistry> registry = LoadRegistry(path);
  if (!registry) return kCmErrStorage;
  if (!registry->Remove(creator)) return kCmErrNotFound;
  return SaveRegistry(path, *registry) == 0 ? kCmErrNone : kCmErrStorage;
}

CONDMGR_EXPORT int32_t CmGetCreatorName(const char* creator, char* buffer, int32_t* size) {
  if (BadBuffer(buffer, size)) return kCmErrBadArgument;
  return WithRegistration(creator, false, [&](ConduitRegistration& registration) {
    return TextOut(platform::FileNameOfPath(registration.library), buffer, size);
  });
}

CONDMGR_EXPORT int32_t CmGetConduitLibraryPath(const char* creator, char* buffer, int32_t* size) {
  if (BadBuffer(buffer, size)) return kCmErrBadArgument;
  return WithRegistration(creator, false, [&](ConduitRegistration& registration) {
    return TextOut(registration.library, buffer, size);
  });
}

CONDMGR_EXPORT int32_t CmSetConduitName(const char* creator, const char* name) {
  if (name == nullptr || HasLineBreak(name)) return kCmErrBadArgument;
  return WithRegistration(creator, true, [&](ConduitRegistration& registration) {
    registration.name = name;
    return kCmErrNone;
  });
}

CONDMGR_EXPORT int32_t CmGetConduitName(const char* creator, char* buffer, int32_t* size) {
  if (BadBuffer(buffer, size)) return kCmErrBadArgument;
  return WithRegistration(creator, false, [&](ConduitRegistration& registration) {
    return TextOut(registration.name, buffer, size);
  });
}

CONDMGR_EXPORT int32_t CmSetSyncType(const char* creator, int32_t syncType) {
  if (!IsValidSyncType(syncType)) return kCmErrBadSyncType;
  return WithRegistration(creator, true, [&](ConduitRegistration& registration) {
    registration.syncType = syncType;
    return kCmErrNone;
  });
}

CONDMGR_EXPORT int32_t CmGetSyncType(const char* creator, int32_t* syncType) {
  if (syncType == nullptr) return kCmErrBadArgument;
  return WithRegistration(creator, false, [&](ConduitRegistration& registration) {
    *syncType = registration.syncType;
    return kCmErrNone;
  });
}

CONDMGR_EXPORT int32_t CmSetNextSyncType(const char* creator, int32_t syncType) {
  if (syncType != -1 && !IsValidSyncType(syncType)) return kCmErrBadSyncType;
  return WithRegistration(creator, true, [&](ConduitRegistration& registration) {
    registration.nextSyncType = syncType == -1 ? std::nullopt : std::optional<int32_t>(syncType);
    return kCmErrNone;
  });
}

CONDMGR_EXPORT int32_t CmGetNextSyncType(const char* creator, int32_t* syncType) {
  if (syncType == nullptr) return kCmErrBadArgument;
  return WithRegistration(creator, false, [&](ConduitRegistration& registration) {
    *syncType = registration.nextSyncType.value_or(-1);
    return kCmErrNone;
  });
}

CONDMGR_EXPORT int32_t CmGetConduitCount(void) {
  const std::string path = RegistryPath();
  if (path.empty()) return kCmErrStorage;
  std::optional<ConduitRegistry> registry = LoadRegistry(path);
  if (!registry) return kCmErrStorage;
  return static_cast<int32_t>(registry->Registrations().size());
}

CONDMGR_EXPORT int32_t CmGetCreatorIDByIndex(int32_t index, char* buffer, int32_t* size) {
  if (BadBuffer(buffer, size)) return kCmErrBadArgument;
  const std::string path = RegistryPath();
  if (path.empty()) return kCmErrStorage;
  std::optional<ConduitRegistry> registry = LoadRegistry(path);
  if (!registry) return kCmErrStorage;
  const auto& registrations = registry->Registrations();
  if (index < 0 || static_cast<size_t>(index) >= registrations.size()) return kCmErrBadIndex;
  return TextOut(registrations[static_cast<size_t>(index)].creator, buffer, size);
}
