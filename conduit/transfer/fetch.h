// Fetching the search results that the handheld user selected: each one is
// converted, sent in PC format, or handed on as an e-mail or fax request,
// and the record that comes back goes into "VlmrFilesDB".
#pragma once

#include <cstddef>
#include <cstdint>

#include "sync_operations.h"

namespace conduit::transfer {

// The most selected results one fetch carries; further selected results are
// left for a later fetch, with a warning in the HotSync log.
constexpr size_t kMaxSelectedResults = 2000;

// Fetches the selected results of "VlmrSearchDB" in `mode`. Returns 0, or the
// Sync Manager's error code of the step that failed (the failure is logged),
// so that the handheld can ask again.
int32_t FetchSelectedFiles(FetchMode mode);

}  // namespace conduit::transfer
