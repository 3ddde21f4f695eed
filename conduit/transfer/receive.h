// Receiving handheld files: the record of "VlmrFilesDB" that the handheld
// user picked, or every record of one category, becomes a PC file in the
// data directory with a new file list entry. The handheld names what to
// receive in the search block of "VlmrSearchDB": the receive-whole-category
// byte and the receive selector (a record index or a category).
#pragma once

#include <cstdint>

#include "sync_operations.h"

namespace conduit::transfer {

// Receives into the context's data directory (made when it is missing) and
// file list, and saves the list with `saveFileList` before returning, so
// that the handheld hears of success only when the files are listed. A
// record that cannot be read or saved is logged with its title and reason,
// and the others are still received. Returns 0 when at least one file was
// received and listed, or when there was nothing to receive (an empty
// category; a handheld without "VlmrFilesDB", with a plain log line).
// Returns kErrNothingReceived when the data directory is missing, cannot
// be made, or its file list could not be read, and when no record asked
// for was saved; and the list save's error when it failed, after removing
// the files of this request again, so that asking again leaves one copy of
// each. A database that cannot be opened gives the Sync Manager's code
// after a warning.
int32_t ReceiveHandheldFiles(SyncContext& context, const SaveFileList& saveFileList);

}  // namespace conduit::transfer
