// Receiving handheld files: the record of "VlmrFilesDB" that the handheld
// user picked, or every record of one category, becomes a PC file in the
// data directory with a new file list entry. The handheld names what to
// receive in the search block of "VlmrSearchDB": the receive-whole-category
// byte and the receive selector (a record index or a category).
#pragma once

#include <cstdint>

#include "sync_operations.h"

namespace conduit::transfer {

// Receives into the context's data directory and file list. A record that
// cannot be read or saved is logged with its title and reason, and the
// others are still received; 0 then, as the request was carried out. When
// there is no data directory, or the file list there cannot be read and so
// could not list the files, nothing is received or written and
// kErrNothingReceived is returned after a log line. A handheld without
// "VlmrFilesDB" has nothing to receive (0, with a plain log line); one whose
// database cannot be opened gives the Sync Manager's code after a warning.
int32_t ReceiveHandheldFiles(SyncContext& context);

}  // namespace conduit::transfer
