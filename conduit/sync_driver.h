// The synchronisation driver: what the conduit does at one HotSync. It
// registers with the Sync Manager, loads the file list and the handheld file
// index, carries out the request that the handheld left in its request
// preference, tells the handheld the outcome, sends the listed files and
// saves the file list, logging the start, the end and every failure.
#pragma once

#include <cstdint>

#include "sync_operations.h"
#include "syncmgr/conduit_abi.h"

namespace conduit {

// One synchronisation of type `syncType` with `operations` doing the work.
// Returns 0, the registration's error code, or the error code of a failed
// request.
int32_t RunSynchronisation(int32_t syncType, SyncOperations& operations);

// OpenConduit with the given operations. A missing properties structure is
// refused with 0x1074 before anything else happens.
int32_t OpenConduitWith(const CSyncProperties* properties, SyncOperations& operations);

}  // namespace conduit
