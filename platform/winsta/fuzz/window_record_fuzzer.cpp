// Feeds arbitrary bytes to the record and message decoders; whatever decodes
// must encode back to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "winsta/window_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::winsta;
  platform::ByteSpan bytes(data, size);
  if (auto record = DecodeRecord(bytes)) {
    auto again = EncodeRecord(*record);
    if (!again || !std::equal(again->begin(), again->end(), bytes.begin(), bytes.end()))
      std::abort();
  }
  if (auto message = DecodeMessage(bytes)) {
    auto again = EncodeMessage(*message);
    if (!std::equal(again.begin(), again.end(), bytes.begin(), bytes.end())) std::abort();
  }
  ParseWindowId(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
