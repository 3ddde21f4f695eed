// Reducing the 160 x 160 canvas of a picture to the handheld's depths: 4 or
// 16 greys, or 256 colours with their colour table. Error diffusion spreads
// what each pixel loses to its neighbours, so shades between the greys the
// handheld has still show as shades.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <span>
#include <vector>

#include "handheld_bitmap.h"  // records/

namespace imaging {

enum class Dithering { kErrorDiffusion, kNone };

// The grey values (0 white to depth.MaxValue() black) of `rgb`, kPixelCount
// pixels of red, green and blue bytes row by row. Each pixel's brightness is
// reduced to the nearest grey of the depth's palette (0, 100, 200, 255 for 4
// greys; 0, 17, ..., 255 for 16), then given the value of that grey: below
// 50 is 3, below 150 is 2, below 227 is 1, the rest 0; or 15 - grey / 17.
std::vector<uint8_t> ReduceToGreys(std::span<const uint8_t> rgb,
                                   const records::bitmap::Depth& depth,
                                   Dithering dithering = Dithering::kErrorDiffusion);

// The palette indices of the 160 x 160 `canvas` reduced to at most 256
// colours of the library's choosing, with error diffusion; `colours`
// receives the palette (unused entries black).
std::vector<uint8_t> ReduceToColours(Magick::Image& canvas, records::bitmap::ColourTable& colours);

}  // namespace imaging
