// Test support: a fresh folder under the temporary directory for one test,
// removed with everything in it at the end.
#pragma once

#include <string>
#include <string_view>

namespace vlmtest {

class TempFolder {
 public:
  TempFolder();  // throws std::runtime_error when no folder can be made
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  // `name` inside the folder.
  std::string PathOf(std::string_view name) const { return m_path + "/" + std::string(name); }
  std::string operator/(std::string_view name) const { return PathOf(name); }

 private:
  std::string m_path;
};

}  // namespace vlmtest
