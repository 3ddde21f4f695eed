// The one RequestPreference buffer of the process.
#include "request_preference_buffer.h"

namespace conduit {

records::RequestPreference& RequestPreferenceBuffer() {
  static records::RequestPreference buffer;
  return buffer;
}

uint8_t CurrentImageMode() {
  return RequestPreferenceBuffer().ImageMode();
}

}  // namespace conduit
