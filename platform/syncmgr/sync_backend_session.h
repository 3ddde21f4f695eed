// The HotSync Manager's C++ side of the Sync Manager: beginning a HotSync on
// a handheld of its choosing. SyncSessionBegin (syncmgr.h) begins one on an
// image folder; the rest of a HotSync (SyncSessionEnd, injected failures,
// kill hooks, the log) is the same whichever handheld it runs on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "syncmgr/handheld_backend.h"

namespace platform::syncmgr {

// Begins a HotSync on `backend`, which the Sync Manager keeps until
// SyncSessionEnd (which closes every database left open and then destroys
// it). Log entries are appended to `logPath` (may be null: kept in memory
// only). kSyncErrBadArgument without a backend, kSyncErrAlreadyRegistered
// while a HotSync is in progress.
int32_t BeginSessionOn(std::unique_ptr<Backend> backend, const char* logPath);

// The handheld image in `folder` as a handheld (see pdb/handheld_image.h);
// null when the folder does not exist.
std::unique_ptr<Backend> MakeImageBackend(const std::string& folder);

}  // namespace platform::syncmgr
