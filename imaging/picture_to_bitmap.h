// Pictures to handheld bitmaps: the one entry point of the picture chain.
// The picture is decoded (upright, as its file says), scaled to fit 160
// pixels on its longer side, centred on a black 160 x 160 canvas and reduced
// to the depth asked for, 4 or 16 greys or 256 colours.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "handheld_bitmap.h"  // records/
#include "imaging.h"
#include "result/result.h"

namespace imaging {

// The handheld bitmap (records/handheld_bitmap.h) of the picture in `bytes`
// at `depth`. `extension` (upper case, without the dot) names the format
// when the bytes carry no signature. What the imaging library's start could
// not set goes to `warn`. When the picture is refused, cannot be decoded or
// cannot be scaled, or memory runs out, the failure says why in plain words.
platform::Result<std::vector<uint8_t>> PictureToBitmap(std::span<const uint8_t> bytes,
                                                       std::string_view extension,
                                                       const records::bitmap::Depth& depth,
                                                       WarningSink warn);

}  // namespace imaging
