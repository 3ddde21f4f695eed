// The private folder each server works in (LibreOffice's profile, its
// files), held by its owner for the server's life, and the clean-up of the
// folders and LibreOffice pipe names that killed runs left behind. Internal
// to the layer.
#pragma once

#include <string>
#include <string_view>

namespace platform::automation {

// A new folder in $TMPDIR (or /tmp), locked by this process until the
// object goes, then removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() = default;
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Removes the leftovers of runs whose owner is gone, then makes the
  // folder; false when it cannot be made.
  bool Create();
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  int m_lock = -1;
};

// The name of the pipe a server's LibreOffice listens on, made from the
// name of the server's scratch folder. LibreOffice keeps a pipe as the
// socket "OSL_PIPE_<uid>_<name>" in /tmp.
inline std::string OfficePipeName(std::string_view scratchFolderName) {
  return "vellamore-" + std::string(scratchFolderName);
}

}  // namespace platform::automation
