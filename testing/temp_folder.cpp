// Temporary folders for the tests.
#include "testing/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace vlmtest {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vlm-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

}  // namespace vlmtest
