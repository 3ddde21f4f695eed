// The Install Aide's exports. The library finds the HotSync Manager beside
// itself (the folder it was loaded from), and the users and their queues in the HotSync
// Manager's data folder; nothing is kept between calls.
#include "instaide.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "common/hotsync_home.h"
#include "common/text_out.h"
#include "fs/fs.h"
#include "instaide/queue_writer.h"

#define INSTAIDE_EXPORT extern "C" INSTAIDE_API

namespace hotsync {
namespace {

constexpr char kProgramName[] = "hotsync";
constexpr std::string_view kInstallableExtensions[] = {".prc", ".pdb", ".pqa"};

// The absolute path of this library's folder; empty when unknown.
std::string LibraryFolder() {
  return platform::FolderOfModuleAt(reinterpret_cast<const void*>(&PltGetPath));
}

bool EndsWithInstallableExtension(std::string_view name) {
  for (std::string_view extension : kInstallableExtensions) {
    if (name.size() <= extension.size()) continue;
    std::string_view tail = name.substr(name.size() - extension.size());
    bool same = true;
    for (size_t i = 0; i < tail.size(); ++i) {
      const char c = tail[i];
      same =
          same && ((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c) == extension[i];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace
}  // namespace hotsync

using namespace hotsync;

INSTAIDE_EXPORT int32_t PltGetPath(int16_t kind, char* buffer, int16_t* size) {
  if (buffer == nullptr || size == nullptr || *size < 0) return kPltErrBadArgument;
  if (kind != kPltPathHotSyncProgram) return kPltErrBadKind;
  const std::string folder = LibraryFolder();
  if (folder.empty()) return kPltErrLocate;
  const std::string path = (folder == "/" ? std::string() : folder) + "/" + kProgramName;
  return CopyTextOut(path, buffer, size) ? kPltErrNone : kPltErrBufferTooSmall;
}

INSTAIDE_EXPORT int16_t PltGetUserCount(void) {
  const size_t count = ListUsers(HotSyncHome()).size();
  return static_cast<int16_t>(count < INT16_MAX ? count : INT16_MAX);
}

INSTAIDE_EXPORT int32_t PltGetUser(uint32_t index, char* buffer, int16_t* size) {
  if (buffer == nullptr || size == nullptr || *size < 0) return kPltErrBadArgument;
  const std::vector<std::string> users = ListUsers(HotSyncHome());
  if (index >= users.size()) return kPltErrBadIndex;
  return CopyTextOut(users[index], buffer, size) ? kPltErrNone : kPltErrBufferTooSmall;
}

INSTAIDE_EXPORT int32_t PltInstallFile(const char* user, const char* path) {
  if (path == nullptr) return kPltErrBadArgument;
  if (user == nullptr || *user == '\0') return kPltErrNoSuchUser;
  const std::string home = HotSyncHome();
  if (home.empty()) return kPltErrNoHome;
  std::optional<platform::FileStatus> userFolder = platform::GetFileStatus(UserFolder(home, user));
  if (!userFolder || !userFolder->isDirectory) return kPltErrNoSuchUser;

  const std::string name = platform::FileNameOfPath(path);
  if (!EndsWithInstallableExtension(name)) return kPltErrNotInstallable;
  std::vector<uint8_t> bytes;
  if (int32_t result = ReadInstallableFile(path, bytes); result != kPltErrNone) return result;

  const std::string queue = InstallQueueFolder(home, user);
  if (MakeFolders(queue) != 0) return kPltErrQueue;
  return AddToInstallQueue(queue, name, bytes);
}
