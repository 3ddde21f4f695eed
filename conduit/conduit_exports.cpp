// The exported C functions of VellamoreCnd.so, the entry points the HotSync
// Manager looks up by name. They hand over to the conduit's C++ code and let
// nothing escape: a C caller cannot catch an exception.
#include <cstdint>

#include "conduit_identity.h"
#include "convert/conversion_session.h"
#include "sync_driver.h"
#include "syncmgr/conduit_abi.h"

#define VLM_EXPORT extern "C" __attribute__((visibility("default")))

// `progress`, when given, is the HotSync Manager's ConduitProgressFn.
VLM_EXPORT int32_t OpenConduit(void* progress, CSyncProperties* properties) {
  try {
    // The office programs started for this HotSync end with it.
    const conduit::ConversionSession conversions(
        reinterpret_cast<conduit::ProgressFunction>(progress));
    return conduit::OpenConduitWith(properties, conduit::ConduitOperations());
  } catch (...) {
    return conduit::kErrInternal;
  }
}

VLM_EXPORT int32_t GetConduitName(char* name, uint16_t length) {
  return conduit::GetConduitName(name, length);
}

VLM_EXPORT uint32_t GetConduitVersion(void) {
  return conduit::GetConduitVersion();
}

VLM_EXPORT int32_t GetConduitInfo(int32_t kind, void* inArgs, void* out, uint32_t* outSize) {
  return conduit::GetConduitInfo(kind, inArgs, out, outSize);
}

VLM_EXPORT int32_t ConfigureConduit(CSyncPreference* preference) {
  try {
    return conduit::ConfigureConduit(preference);
  } catch (...) {
    return -1;
  }
}
