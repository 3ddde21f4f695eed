// The process-wide RequestPreference buffer: the 18-byte request record of
// the synchronisation in progress, read from the handheld at its start and
// written back after the request. Other parts of the conduit read it during
// the synchronisation; the image conversion takes the bitmap depth from its
// imageMode.
#pragma once

#include <cstdint>

#include "handheld_records.h"  // records/

namespace conduit {

// The buffer itself; the synchronisation driver fills and writes it.
records::RequestPreference& RequestPreferenceBuffer();

// imageMode of the synchronisation in progress: 2 and 3 choose a bitmap
// depth, every other value the default one. 1 when the preference could not
// be read.
uint8_t CurrentImageMode();

}  // namespace conduit
