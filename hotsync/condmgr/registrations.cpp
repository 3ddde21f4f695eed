// Reading registrations through the Conduit Manager's size in/out calls:
// a text is asked for once with a small buffer and again with the size the
// library reports.
#include "condmgr/registrations.h"

#include "condmgr/condmgr.h"

namespace hotsync {
namespace {

using TextCall = int32_t (*)(const char*, char*, int32_t*);

int32_t ReadText(TextCall call, const std::string& creator, std::string* text) {
  std::string buffer(64, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    int32_t size = static_cast<int32_t>(buffer.size());
    const int32_t result = call(creator.c_str(), buffer.data(), &size);
    if (result == kCmErrNone) {
      *text = buffer.substr(0, static_cast<size_t>(size));
      return result;
    }
    if (result != kCmErrBufferTooSmall) return result;
    buffer.assign(static_cast<size_t>(size), '\0');
  }
  return kCmErrBufferTooSmall;
}

}  // namespace

int32_t GetRegistration(const std::string& creator, Registration* registration) {
  Registration read;
  read.creator = creator;
  int32_t result = ReadText(&CmGetConduitLibraryPath, creator, &read.library);
  if (result == kCmErrNone) result = ReadText(&CmGetConduitName, creator, &read.name);
  if (result == kCmErrNone) result = CmGetSyncType(creator.c_str(), &read.syncType);
  if (result == kCmErrNone) result = CmGetNextSyncType(creator.c_str(), &read.nextSyncType);
  if (result == kCmErrNone) *registration = std::move(read);
  return result;
}

int32_t ListRegistrations(std::vector<Registration>* registrations) {
  const int32_t count = CmGetConduitCount();
  if (count < 0) return count;
  registrations->clear();
  for (int32_t index = 0; index < count; ++index) {
    char creator[8];
    int32_t size = sizeof creator;
    int32_t result = CmGetCreatorIDByIndex(index, creator, &size);
    Registration registration;
    if (result == kCmErrNone) result = GetRegistration(creator, &registration);
    if (result != kCmErrNone) return result;
    registrations->push_back(std::move(registration));
  }
  return kCmErrNone;
}

const char* SyncTypeName(int32_t syncType) {
  static constexpr const char* kNames[] = {"Synchronize (fast)",
                                           "Synchronize (slow)",
                                           "Handheld overwrites PC",
                                           "PC overwrites handheld",
                                           "Install",
                                           "Backup",
                                           "Do nothing"};
  if (syncType < 0 || syncType > 6) return "unknown";
  return kNames[syncType];
}

std::string DescribeConduitManagerError(int32_t code) {
  switch (code) {
    case kCmErrNone:
      return "no error";
    case kCmErrBadArgument:
      return "an argument is missing or holds a line break";
    case kCmErrBadCreator:
      return "a creator ID is four printable characters, such as Vlmr";
    case kCmErrNotFound:
      return "no conduit is registered under that creator ID";
    case kCmErrBufferTooSmall:
      return "the answer did not fit its buffer";
    case kCmErrStorage:
      return "the registration file in the HotSync data folder could not be read or written";
    case kCmErrBadIndex:
      return "no registration at that index";
    case kCmErrBadSyncType:
      return "a sync type is a number from 0 to 6";
    default:
      return "Conduit Manager error " + std::to_string(code);
  }
}

}  // namespace hotsync
