// The Install Aide library as the conduit uses it: loaded at run time from
// the folder of the library that holds this code (the conduit, beside which
// the HotSync Manager keeps its libraries), for its install-file call, which
// queues a handheld program or database for the user's next HotSync.
// Internal to the conversions.
#pragma once

#include <cstdint>
#include <string>

#include "convert/convert.h"

namespace conduit {

class InstallAide {
 public:
  // Results of our own when the call cannot be made at all; the Install
  // Aide's own errors are small negative numbers.
  static constexpr int32_t kLibraryNotLoaded = -1000;
  static constexpr int32_t kInstallCallNotFound = -1001;

  explicit InstallAide(const std::string& libraryPath);
  ~InstallAide();
  InstallAide(const InstallAide&) = delete;
  InstallAide& operator=(const InstallAide&) = delete;

  // 0 when the file was queued, else the Install Aide's error number or one
  // of the two above.
  int32_t InstallFile(const std::string& user, const std::string& path) const;

 private:
  using InstallFileCall = int32_t (*)(const char* user, const char* path);

  void* m_library = nullptr;
  InstallFileCall m_installFile = nullptr;
};

// "instaide.so" in the folder of the module that holds this code.
std::string DefaultInstallAidePath();

// InstallOnHandheld through the Install Aide at `libraryPath`.
ConversionResult InstallOnHandheldWith(const std::string& path, const std::string& libraryPath);

}  // namespace conduit
