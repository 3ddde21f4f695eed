// Pictures. Until the conversion to handheld bitmaps is in place, no
// picture can be loaded: the dispatcher then sends the picture in PC format.
#include "convert/convert.h"

namespace conduit {

ConversionResult ConvertImage(const std::string& /*path*/) {
  return ConversionResult{
      std::nullopt, kConvPictureNotLoaded, "the picture could not be loaded", {}};
}

}  // namespace conduit
