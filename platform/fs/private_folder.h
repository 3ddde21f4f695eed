// The folder for temporary files, and folders of one's own made in it for
// work that others must not see or touch.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The folder for temporary files: $TMPDIR when it is set and not empty,
// else /tmp.
std::string TemporaryFolder();

// A new, empty folder in TemporaryFolder() that only this user can enter,
// named `prefix` and six letters or digits; removed with everything in it
// when the object goes.
class PrivateFolder {
 public:
  explicit PrivateFolder(std::string_view prefix);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Empty when the folder could not be made; Error() then holds the errno.
  const std::string& Path() const { return m_path; }
  int Error() const { return m_error; }

 private:
  std::string m_path;
  int m_error = 0;
};

}  // namespace platform
