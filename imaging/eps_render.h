// Rendering an EPS picture with Ghostscript, run as a process of its own in
// its safe mode, in a private temporary folder and under a time limit: the
// imaging library is never given PostScript. The raster comes back as PNG
// bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "result/result.h"

namespace imaging {

// The PNG of the EPS document in `bytes` (plain, or with the binary header
// of EPS files that carry a preview), cropped to its bounding box and
// rendered so that its longer side is about `longestSide` pixels. A failure
// when Ghostscript is missing, fails or runs out of time says which.
platform::Result<std::vector<uint8_t>> RenderEps(std::span<const uint8_t> bytes, int longestSide);

}  // namespace imaging
