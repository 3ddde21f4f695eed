// Sending the listed files: every PC file entry of "Vellamore.dat" that
// belongs to the current HotSync user goes to "VlmrFilesDB" when its send
// action says so, replacing the copy sent earlier unless that copy was
// edited on the handheld.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "file_list_store.h"  // store/
#include "handheld_file_index.h"

namespace conduit::transfer {

// True when the entry is to be sent now, judged by its user, its action, its
// changed flag and the handheld's copy in `index`.
bool ShouldSend(const store::FileListEntry& entry, const std::string& userName,
                const HandheldFileIndex::Element* handheldCopy);

// Sends the listed files of `userName` and updates their entries: modified
// stamps of every PC file entry whose file exists, and for every entry sent
// its ID, last-sent stamp, changed flag and One Time action. New file IDs
// are appended to `index`. A failed write is logged and ends the sending.
void SendListedFiles(store::FileListStore& fileList, HandheldFileIndex& index,
                     const std::string& userName);

}  // namespace conduit::transfer
