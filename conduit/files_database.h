// Opening "VlmrFilesDB", the handheld database of files sent from the PC,
// for writing. The conduit creates the database when the handheld has none,
// so the first HotSync after installing the handheld application can already
// deliver files.
#pragma once

#include <cstdint>

#include "handheld_database.h"

namespace conduit {

// Opens "VlmrFilesDB" on card 0 for reading and writing with secret records
// shown (mode 0xD0). When it does not exist (0x4003) it is created with
// creator 'Vlmr', type 'File', flags 0 and version 0, and the new handle is
// used. Returns 0 with `database` open, or the Sync Manager's error code
// after logging "Couldn't open the Files database" or "Couldn't create the
// Files database" (activity 22).
int32_t OpenFilesDatabaseForWriting(HandheldDatabase& database);

}  // namespace conduit
