// Private folders through mkdtemp(3), which makes them 0700 under a name
// nobody else holds.
#include "private_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace platform {

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

PrivateFolder::PrivateFolder(std::string_view prefix) {
  std::string pattern = TemporaryFolder() + "/" + std::string(prefix) + "XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) {
    m_path = std::move(pattern);
  } else {
    m_error = errno;
  }
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
}

}  // namespace platform
