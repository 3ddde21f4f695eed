// What a converted record depends on, as the key of the conversion cache:
// a change to any of it must miss the cache. Internal to the conversions.
#pragma once

#include <cstdint>
#include <string>

#include "convert/convert.h"

namespace conduit {

// The options of a HotSync that shape a record.
struct ConversionOptions {
  uint8_t imageMode = 0;  // the picture depth the handheld asked for
};

// The key of the file at `path` converted by `route`: the path as given,
// the file's device, inode, size, modification and change times to the
// nanosecond, the stamps its record carries (which follow the time zone),
// the route, the converter's version and, for pictures, the image mode.
// Empty when the conversion is not to be kept: the file cannot be read,
// the route has side effects (installing), or the converter's version
// cannot be known.
std::string ConversionKeyOf(const std::string& path, ConversionRoute route,
                            const ConversionOptions& options);

// The version of the route's converter: this code's own build, and the
// outside program or library that does the route's work.
std::string ConverterVersionOf(ConversionRoute route);

}  // namespace conduit
