// The search request: walks the PC folder that the handheld named in the
// application-info block of "VlmrSearchDB" and writes one SearchResult
// record per file found into that database.
#pragma once

#include <cstdint>

namespace conduit::search {

// Status bytes of a search, as the handheld receives them.
enum SearchStatus : uint8_t {
  kSearchDone = 0,         // the results were written
  kSearchFailed = 1,       // a database step failed (logged)
  kSearchPathMissing = 4,  // the search folder does not exist (logged)
};

// Runs one search on the handheld of the HotSync in progress. On kSearchDone
// sets `stopAfterSearch` to the block's list-only byte: false means that
// every result was written selected and is to be fetched at once. On any
// other status leaves it alone.
uint8_t RunSearch(bool& stopAfterSearch);

}  // namespace conduit::search
