// Word-processor documents. Until the conversion through the word
// processor's automation server is in place, the server class is never
// found, exactly as on a PC with no word processor installed: the dispatcher
// then sends the document in PC format.
#include "convert/convert.h"

namespace conduit {

ConversionResult ConvertWordDocument(const std::string& /*path*/) {
  return ConversionResult{
      std::nullopt, kConvWordClassNotFound, "no word processor is available", {}};
}

}  // namespace conduit
