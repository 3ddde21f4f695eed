// A home of the test's own.
#include "testing/private_home.h"

#include <sys/stat.h>

#include <stdexcept>
#include <utility>

namespace vlmtest {

PrivateHome::PrivateHome() {
  for (const auto& [variable, folder] :
       {std::pair{"XDG_CONFIG_HOME", ConfigHome()}, std::pair{"XDG_RUNTIME_DIR", RuntimeDir()},
        std::pair{"XDG_DATA_HOME", DataHome()}, std::pair{"XDG_CACHE_HOME", CacheHome()},
        std::pair{"HOTSYNC_HOME", HotSyncHome()}}) {
    if (mkdir(folder.c_str(), 0700) != 0) throw std::runtime_error("cannot make " + folder);
    m_environment.push_back(std::make_unique<ScopedEnv>(variable, folder));
  }
}

}  // namespace vlmtest
