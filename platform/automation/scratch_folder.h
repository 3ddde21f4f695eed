// The private folder each server works in (LibreOffice's profile, its
// files), held by its owner for the server's life, and the clean-up of the
// folders and LibreOffice pipe names that killed runs left behind. Internal
// to the layer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "fs/private_folder.h"

namespace platform::automation {

// A private folder in the temporary folder, locked by this process until
// the object goes, then removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() = default;
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Removes the leftovers of runs whose owner is gone, then makes the
  // folder; false when it cannot be made.
  bool Create();
  // Empty before Create(), or when it failed to make the folder.
  const std::string& Path() const;

 private:
  std::optional<PrivateFolder> m_folder;
  int m_lock = -1;
};

// The name of the pipe a server's LibreOffice listens on, made from the
// name of the server's scratch folder. LibreOffice keeps a pipe as the
// socket "OSL_PIPE_<uid>_<name>" in /tmp.
inline std::string OfficePipeName(std::string_view scratchFolderName) {
  return "vellamore-" + std::string(scratchFolderName);
}

}  // namespace platform::automation
