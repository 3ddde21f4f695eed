// A conduit library loaded with dlopen for the time of one call: the
// HotSync Manager loads a conduit, looks up the export it needs, calls it
// and releases the library. Also where such a library is found.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace hotsync {

class ConduitLibrary {
 public:
  // Loads the library at `path`; nothing (and the loader's reason in
  // `*error`) when it cannot be loaded.
  static std::optional<ConduitLibrary> Open(const std::string& path, std::string* error);

  // The export `name` as a function pointer of type Fn, or null.
  template <typename Fn>
  Fn Export(const char* name) const {
    return reinterpret_cast<Fn>(Lookup(name));
  }

 private:
  struct Closer {
    void operator()(void* handle) const;
  };

  explicit ConduitLibrary(void* handle) : m_handle(handle) {}
  void* Lookup(const char* name) const;

  std::unique_ptr<void, Closer> m_handle;
};

// Folder of the running program; empty when unknown.
std::string ProgramFolder();
// A library path with a '/' stays as it is; a bare file name is looked up
// in `programFolder`, where the HotSync Manager keeps its conduits.
std::string ResolveLibraryPath(const std::string& library, const std::string& programFolder);

}  // namespace hotsync
