// The string table of the uninstaller library.
#include "uninstall_strings.h"

namespace uninstall {
namespace {

struct StringResource {
  uint32_t id;
  std::string_view text;
};

constexpr StringResource kStringTable[] = {
    {kIdsHotSyncRunning, "HotSync Manager is running.  It will be temporarily shut down.."},
    {kIdsHotSyncCaption, "HotSync Manager"},
    {kIdsHotSyncClass, "KittyHawk"},
};

}  // namespace

std::string_view LoadUninstallString(uint32_t id) {
  for (const StringResource& resource : kStringTable) {
    if (resource.id == id) return resource.text.substr(0, kStringBufferSize - 1);
  }
  return {};
}

}  // namespace uninstall
