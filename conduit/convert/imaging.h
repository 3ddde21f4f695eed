// The imaging library (ImageMagick through Magick++) as the conduit uses it:
// its once-per-process start with bounded resources, and the decoding of a
// picture file's bytes by a decoder the conduit allows.
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
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace conduit::imaging {

// Starts the library once per process (later calls do nothing): one thread,
// and limits on memory, mapped memory, disk, width, height, area and the
// largest single request, so a hostile or enormous picture fails to decode
// instead of exhausting the PC.
void InitialiseImaging();

// The picture in `bytes`, oriented as its file says (EXIF orientation) and
// reduced on load when its decoder can (a JPEG decodes at a scale no smaller
// than `sizeHint` on either side). `extension` is the file's, upper case and
// without the dot. The size the picture's header claims is read first, and
// a picture over the limits is never decoded. Nothing when it is refused or
// cannot be decoded; `why` then says why in plain words.
std::optional<Magick::Image> DecodePicture(std::span<const uint8_t> bytes,
                                           std::string_view extension, int sizeHint,
                                           std::string& why);

// The reason a library exception gives, without the program name, file name
// and source position the library adds around it: "prog: no pixels `a.png'
// @ error/png.c/Read/12" gives "no pixels".
std::string PlainReason(const Magick::Exception& error);

}  // namespace conduit::imaging
