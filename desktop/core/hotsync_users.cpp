// Loading the Install Aide library at run time and asking it for the users.
#include "hotsync_users.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace desktop {
namespace {

using GetUserCountFn = int16_t (*)();
using GetUserFn = int32_t (*)(uint32_t index, char* buffer, int16_t* size);

constexpr int16_t kUserNameBufferSize = 80;

struct LibraryCloser {
  void operator()(void* handle) const { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

}  // namespace

std::vector<std::string> ReadHotSyncUsers(const std::string& libraryPath) {
  std::vector<std::string> users;
  LibraryHandle library(dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!library) return users;
  auto getCount = reinterpret_cast<GetUserCountFn>(dlsym(library.get(), "PltGetUserCount"));
  auto getUser = reinterpret_cast<GetUserFn>(dlsym(library.get(), "PltGetUser"));
  if (getCount == nullptr || getUser == nullptr) return users;

  int16_t count = getCount();
  for (int16_t index = 0; index < count; ++index) {
    char buffer[kUserNameBufferSize] = {};
    int16_t size = kUserNameBufferSize;
    if (getUser(static_cast<uint32_t>(index), buffer, &size) != 0) continue;
    // The returned length is trusted only inside the buffer, NUL kept.
    size_t length = size < 0 ? 0 : std::min<size_t>(size, kUserNameBufferSize - 1);
    users.emplace_back(buffer, strnlen(buffer, length));
  }
  return users;
}

}  // namespace desktop
