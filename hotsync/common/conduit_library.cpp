// dlopen, dlsym and dlclose behind one small owner; the program's own
// folder.
#include "common/conduit_library.h"

#include <dlfcn.h>

#include "fs/fs.h"

namespace hotsync {

void ConduitLibrary::Closer::operator()(void* handle) const {
  if (handle != nullptr) dlclose(handle);
}

std::optional<ConduitLibrary> ConduitLibrary::Open(const std::string& path, std::string* error) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    if (error) *error = reason ? reason : "cannot be loaded";
    return std::nullopt;
  }
  return ConduitLibrary(handle);
}

void* ConduitLibrary::Lookup(const char* name) const {
  return dlsym(m_handle.get(), name);
}

std::string ProgramFolder() {
  return platform::FolderOfRunningProgram();
}

std::string ResolveLibraryPath(const std::string& library, const std::string& programFolder) {
  if (library.find('/') != std::string::npos || programFolder.empty()) return library;
  return programFolder + "/" + library;
}

}  // namespace hotsync
