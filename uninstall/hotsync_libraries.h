// The HotSync Manager's own libraries as the uninstaller uses them, loaded
// by path with dlopen and released after use: the Install Aide for the
// HotSync Manager's path (the Palm directory is its folder), the Conduit
// Manager to remove the conduit's registration.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace uninstall {

// A library loaded for the time of one step.
class LoadedLibrary {
 public:
  // Nothing when `path` cannot be loaded.
  static std::optional<LoadedLibrary> Load(const std::string& path);

  template <typename Fn>
  Fn Function(const char* name) const {
    return reinterpret_cast<Fn>(Lookup(name));
  }

 private:
  struct Releaser {
    void operator()(void* handle) const;
  };
  explicit LoadedLibrary(void* handle) : m_handle(handle) {}
  void* Lookup(const char* name) const;

  std::unique_ptr<void, Releaser> m_handle;
};

// The HotSync Manager's program path from the Install Aide found in
// `commandLineFolder` (or by the system's library search when it is "").
// Nothing, after the failure's message box, when the library cannot be
// loaded, lacks PltGetPath, or PltGetPath fails.
std::optional<std::string> HotSyncProgramPath(const std::string& commandLineFolder);

// Loads the Conduit Manager from `palmFolder` ("" or ending in '/'); false,
// after its message box, when it cannot be loaded. Otherwise removes the
// registration of the conduit's creator ID when it names this system's
// conduit library (a missing export is shown and the registration kept).
bool RemoveConduitRegistration(const std::string& palmFolder);

}  // namespace uninstall
