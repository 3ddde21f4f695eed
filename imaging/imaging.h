// The imaging library (ImageMagick through Magick++) as Vellamore uses it:
// its once-per-process start with bounded resources, and the decoding of a
// picture file's bytes by a decoder of the picture route.
//
// Decoding never reaches past the raster decoders of the picture route: the
// format is taken from the bytes' signature (the file's extension only
// names it when the bytes have none), and a format outside the route's is
// refused before any decoder sees the bytes, so no script, vector or
// network coder of the library runs on a file from the PC. EPS is rendered
// by Ghostscript in a process of its own (eps_render.h).
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "result/result.h"

namespace imaging {

// Where a warning for the person goes, a line in plain words (the conduit
// passes its HotSync log's LogWarning).
using WarningSink = void (*)(const char* text);

// Starts the library once per process (later calls do nothing): one thread,
// and limits on memory, mapped memory, disk, width, height, area and the
// largest single request, so a hostile or enormous picture fails to decode
// instead of exhausting the PC. A limit the library refuses is told to
// `warn`, when there is one; the checks of the claimed size still hold.
void InitialiseImaging(WarningSink warn = nullptr);

// The picture in `bytes`, oriented as its file says (EXIF orientation) and
// reduced on load when its decoder can (a JPEG decodes at a scale no smaller
// than `sizeHint` on either side). `extension` is the file's, upper case and
// without the dot. The size the picture's header claims is read first, and
// a picture over the limits is never decoded. When it is refused or cannot
// be decoded, the failure says why in plain words. Starts the library when
// InitialiseImaging has not.
platform::Result<Magick::Image> DecodePicture(std::span<const uint8_t> bytes,
                                              std::string_view extension, int sizeHint);

// The imaging library's version and build (its quantum depth and the
// decoders it was built with), which a picture's decoding depends on.
std::string LibraryVersion();

// The reason a library exception gives, without the program name, file name
// and source position the library adds around it: "prog: no pixels `a.png'
// @ error/png.c/Read/12" gives "no pixels".
std::string PlainReason(const Magick::Exception& error);

}  // namespace imaging
