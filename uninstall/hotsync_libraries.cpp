// Loading the Install Aide and the Conduit Manager, and the calls made on
// them.
#include "hotsync_libraries.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>

#include <cstdint>

#include "fs/fs.h"
#include "message_box.h"
#include "program_names.h"  // store/
#include "uninstall_strings.h"

namespace uninstall {
namespace {

using PltGetPathFn = int32_t (*)(int16_t kind, char* buffer, int16_t* size);
using CmGetCreatorNameFn = int32_t (*)(const char* creator, char* buffer, int32_t* size);
using CmRemoveConduitByCreatorIdFn = int32_t (*)(const char* creator);

constexpr int16_t kPathBufferSize = 256;
constexpr int32_t kNameBufferSize = 32;

// The registered library names this system's conduit: its file name is the
// conduit's, in any letter case.
bool NamesOurConduit(const char* fileName) {
  return strcasecmp(fileName, store::kConduitFileName) == 0;
}

}  // namespace

void LoadedLibrary::Releaser::operator()(void* handle) const {
  if (handle != nullptr) dlclose(handle);
}

std::optional<LoadedLibrary> LoadedLibrary::Load(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return std::nullopt;
  return LoadedLibrary(handle);
}

void* LoadedLibrary::Lookup(const char* name) const {
  return dlsym(m_handle.get(), name);
}

std::string LoadedLibrary::Folder() const {
  link_map* map = nullptr;
  if (dlinfo(m_handle.get(), RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return {};
  // Any address inside the library names it; its dynamic section is one.
  const std::string folder = platform::FolderOfModuleAt(map->l_ld);
  return folder.empty() ? folder : folder + "/";
}

InstallAideAnswer AskInstallAide(const std::string& commandLineFolder) {
  InstallAideAnswer answer;
  answer.libraryFolder = commandLineFolder;
  const std::string installAide = commandLineFolder + store::kInstallAideFileName;
  std::optional<LoadedLibrary> library = LoadedLibrary::Load(installAide);
  if (!library) {
    ShowMessageBox(installAide, kCannotLoadInstallAide);
    return answer;
  }
  if (std::string folder = library->Folder(); !folder.empty()) answer.libraryFolder = folder;
  auto getPath = library->Function<PltGetPathFn>("PltGetPath");
  if (getPath == nullptr) {
    ShowMessageBox(installAide, kNoPltGetPath);
    return answer;
  }
  char buffer[kPathBufferSize] = {};
  int16_t size = kPathBufferSize;
  if (getPath(kHotSyncProgramPathKind, buffer, &size) < 0) {
    ShowMessageBox(kErrorCaption, kNoPalmDirectory);
    return answer;
  }
  buffer[kPathBufferSize - 1] = '\0';
  answer.hotSyncProgram = std::string(buffer);
  return answer;
}

bool RemoveConduitRegistration(const std::string& palmFolder) {
  std::optional<LoadedLibrary> library = LoadedLibrary::Load(palmFolder + kConduitManagerFileName);
  if (!library) {
    ShowMessageBox(kErrorCaption, kCannotLoadConduitManager);
    return false;
  }
  auto getCreatorName = library->Function<CmGetCreatorNameFn>("CmGetCreatorName");
  if (getCreatorName == nullptr) {
    ShowMessageBox(kRemoveCaption, kNoCmGetCreatorName);
    return true;
  }
  auto removeConduit =
      library->Function<CmRemoveConduitByCreatorIdFn>("CmRemoveConduitByCreatorID");
  if (removeConduit == nullptr) {
    ShowMessageBox(kRemoveCaption, kNoCmRemoveConduit);
    return true;
  }
  char name[kNameBufferSize] = {};
  int32_t size = kNameBufferSize;
  if (getCreatorName(store::kCreatorIdText, name, &size) == 0) {
    name[kNameBufferSize - 1] = '\0';
    if (NamesOurConduit(name)) removeConduit(store::kCreatorIdText);
  }
  return true;
}

}  // namespace uninstall
