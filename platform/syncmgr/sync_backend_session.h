// The HotSync Manager's C++ side of the Sync Manager: beginning a HotSync on
// a handheld of its choosing, an image folder or a handheld over a link.
// SyncSessionBegin (syncmgr.h) begins one on an image folder; the rest of a
// HotSync (SyncSessionEnd, injected failures, kill hooks, the log) is the
// same whichever handheld it runs on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "syncmgr/handheld_backend.h"

namespace platform::link {
class DesktopLink;
}

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

// The handheld at the far end of `link`, worked on over DLP (see
// device_backend.h). The link must stay open until SyncSessionEnd and carry
// nothing else until then; a link that fails ends the HotSync, every call
// failing with kSyncErrIo from then on.
std::unique_ptr<Backend> MakeDeviceBackend(platform::link::DesktopLink& link);

}  // namespace platform::syncmgr
