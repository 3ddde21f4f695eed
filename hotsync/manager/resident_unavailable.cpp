// Resident mode in a build without the window station: the manager says so
// and stops.
#include "manager/hotsync_commands.h"

namespace hotsync {

int RunResident(std::ostream& /*out*/, std::ostream& err) {
  err << "hotsync: this build has no window station; resident mode is not available\n";
  return kExitUnusable;
}

}  // namespace hotsync
