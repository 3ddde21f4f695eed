// Sending the listed files: every PC file entry of "Vellamore.dat" that
// belongs to the current HotSync user goes to "VlmrFilesDB" when its send
// action says so, replacing the copy sent earlier unless that copy was
// edited on the handheld.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "file_list_store.h"  // store/
#include "handheld_file_index.h"

namespace conduit::transfer {

// Saves the file list as it stands; 0, or an error code after logging why
// it could not be saved.
using SaveFileList = std::function<int32_t()>;

// True when the entry is to be sent now, judged by its user, its action, its
// changed flag and the handheld's copy in `index`.
bool ShouldSend(const store::FileListEntry& entry, const std::string& userName,
                const HandheldFileIndex::Element* handheldCopy);

// How many of the listed files of `userName` the next SendListedFiles will
// convert for the handheld (those it sends in PC format are not converted).
size_t CountListedConversions(const store::FileListStore& fileList, const HandheldFileIndex& index,
                              const std::string& userName);

// Sends the listed files of `userName` and updates their entries: modified
// stamps of every PC file entry whose file exists, and for every entry sent
// its ID, last-sent stamp, changed flag and One Time action. New file IDs
// are appended to `index`.
//
// The handheld and the list are kept in agreement whatever fails or is
// interrupted. The records are written first; when any entry took a new ID,
// the list is saved with `saveNewIds` before "VlmrFilesDB" is closed, which
// commits the records on the handheld; only after a successful close do the
// entries take their last-sent stamp, changed 0 and One Time -> Don't Send,
// for the caller to save. When that first save fails, the records under new
// IDs are taken back before the close.
//
// Returns 0, or the error code of the first step that failed (opening,
// writing, saving, closing), after logging it. A file that cannot be found,
// read or converted is logged as "Couldn't send <file name>: <reason>" and
// skipped with its entry and its earlier copy unchanged.
int32_t SendListedFiles(store::FileListStore& fileList, HandheldFileIndex& index,
                        const std::string& userName, const SaveFileList& saveNewIds);

}  // namespace conduit::transfer
