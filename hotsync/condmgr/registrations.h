// The conduit registrations as the HotSync Manager and condcfg use them:
// C++ values read through condmgr.so's exports, the names of the sync
// types and of the Conduit Manager's error codes, and where a registered
// library is found.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hotsync {

struct Registration {
  std::string creator;
  std::string library;  // as registered
  std::string name;     // display name, may be empty
  int32_t syncType = 0;
  int32_t nextSyncType = -1;  // -1: none
};

// Every registration in registration order; 0 or a kCmErr code.
int32_t ListRegistrations(std::vector<Registration>* registrations);
// The registration of `creator`; 0 or a kCmErr code.
int32_t GetRegistration(const std::string& creator, Registration* registration);

// "Do nothing" and the like for a sync type; "unknown" outside 0 to 6.
const char* SyncTypeName(int32_t syncType);
// A sentence for a kCmErr code.
std::string DescribeConduitManagerError(int32_t code);

}  // namespace hotsync
