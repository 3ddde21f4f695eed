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

  // The folder the library was loaded from (by its real path), with its
  // trailing '/'; "" when unknown.
  std::string Folder() const;

 private:
  struct Releaser {
    void operator()(void* handle) const;
  };
  explicit LoadedLibrary(void* handle) : m_handle(handle) {}
  void* Lookup(const char* name) const;

  std::unique_ptr<void, Releaser> m_handle;
};

struct InstallAideAnswer {
  // The HotSync Manager's program path; nothing, after the failure's message
  // box, when the Install Aide cannot be loaded, lacks PltGetPath, or
  // PltGetPath fails.
  std::optional<std::string> hotSyncProgram;
  // Where the HotSync Manager's libraries are: the folder the Install Aide
  // was loaded from, else the command-line folder; "" when unknown.
  std::string libraryFolder;
};

// Asks the Install Aide found in `commandLineFolder` (or by the system's
// library search when it is "") for the HotSync Manager's program path.
InstallAideAnswer AskInstallAide(const std::string& commandLineFolder);

// Loads the Conduit Manager from `palmFolder` ("" or ending in '/'); false,
// after its message box, when it cannot be loaded. Otherwise removes the
// registration of the conduit's creator ID when it names this system's
// conduit library (a missing export is shown and the registration kept).
bool RemoveConduitRegistration(const std::string& palmFolder);

}  // namespace uninstall
