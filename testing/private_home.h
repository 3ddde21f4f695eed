// Test support: a home of the test's own. The settings (XDG_CONFIG_HOME),
// the window station (XDG_RUNTIME_DIR), the user's data (XDG_DATA_HOME),
// the conversion cache (XDG_CACHE_HOME) and
// the HotSync users (HOTSYNC_HOME) live in folders of a temporary folder
// that the environment names while the object lives, so that neither the
// test nor the programs it runs touch the user's own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace vlmtest {

class PrivateHome {
 public:
  PrivateHome();  // throws std::runtime_error when a folder cannot be made
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;

  const std::string& Root() const { return m_folder.Path(); }
  // `name` inside the temporary folder.
  std::string PathOf(std::string_view name) const { return m_folder.PathOf(name); }
  std::string ConfigHome() const { return PathOf("config"); }
  std::string RuntimeDir() const { return PathOf("run"); }
  std::string DataHome() const { return PathOf("share"); }
  std::string CacheHome() const { return PathOf("cache"); }
  std::string HotSyncHome() const { return PathOf("hotsync"); }

 private:
  TempFolder m_folder;
  // Restored before the folder goes.
  std::vector<std::unique_ptr<ScopedEnv>> m_environment;
};

}  // namespace vlmtest
