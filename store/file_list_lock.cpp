// Where the lock of a file list store lives.
#include "file_list_lock.h"

#include "fs/fs.h"

namespace store {

std::string FileListLock::LockPathFor(const std::string& storePath) {
  std::string real = platform::ResolveFinalLink(storePath);
  std::string folder = platform::FolderOfPath(real);
  std::string name = platform::FileNameOfPath(real);
  std::string lockName = "." + name + ".lock";
  if (folder.empty()) return lockName;
  return folder == "/" ? "/" + lockName : folder + "/" + lockName;
}

}  // namespace store
