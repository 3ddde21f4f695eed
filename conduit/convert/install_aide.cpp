// Loading the Install Aide with dlopen and binding its install-file call.
// The library is looked for beside the module that holds this code, found
// through dladdr, so the conduit uses the Install Aide of its own HotSync
// Manager whatever the program that loaded it.
#include "convert/install_aide.h"

#include <dlfcn.h>

#include "fs/fs.h"
#include "program_names.h"  // store/

namespace conduit {
namespace {

constexpr char kInstallFileCallName[] = "PltInstallFile";

}  // namespace

InstallAide::InstallAide(const std::string& libraryPath) {
  m_library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_library == nullptr) return;
  m_installFile = reinterpret_cast<InstallFileCall>(dlsym(m_library, kInstallFileCallName));
}

InstallAide::~InstallAide() {
  if (m_library != nullptr) dlclose(m_library);
}

int32_t InstallAide::InstallFile(const std::string& user, const std::string& path) const {
  if (m_library == nullptr) return kLibraryNotLoaded;
  if (m_installFile == nullptr) return kInstallCallNotFound;
  return m_installFile(user.c_str(), path.c_str());
}

std::string DefaultInstallAidePath() {
  const std::string folder =
      platform::FolderOfModuleAt(reinterpret_cast<const void*>(&DefaultInstallAidePath));
  return (folder.empty() ? std::string(".") : folder) + "/" + store::kInstallAideFileName;
}

}  // namespace conduit
