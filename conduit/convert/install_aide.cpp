// Loading the Install Aide with dlopen and binding its install-file call.
// The library is looked for beside the module that holds this code, found
// through dladdr, so the conduit uses the Install Aide of its own HotSync
// Manager whatever the program that loaded it.
#include "convert/install_aide.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>

#include "fs/fs.h"

namespace conduit {
namespace {

constexpr char kInstallAideFileName[] = "instaide.so";
constexpr char kInstallFileCallName[] = "PltInstallFile";

// The path of the executable, for code linked into a program.
std::string ExecutablePath() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

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
  Dl_info info{};
  link_map* module = nullptr;
  std::string modulePath;
  if (dladdr1(reinterpret_cast<void*>(&DefaultInstallAidePath), &info,
              reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) != 0 &&
      module != nullptr && module->l_name != nullptr && module->l_name[0] != '\0') {
    // A loaded library, by the path it was loaded with.
    std::unique_ptr<char, decltype(&std::free)> real(realpath(module->l_name, nullptr), &std::free);
    modulePath = real ? real.get() : module->l_name;
  } else {
    // Code linked into the program itself.
    modulePath = ExecutablePath();
  }
  const std::string folder = platform::FolderOfPath(modulePath);
  return (folder.empty() ? std::string(".") : folder) + "/" + kInstallAideFileName;
}

}  // namespace conduit
