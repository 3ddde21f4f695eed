// Differential fuzz target for the text test: the first input byte sets the
// text's length, the text follows, and the rest is the file's content. The
// fast matcher must agree with a plain position-by-position comparison.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "search/text_search.h"

namespace {

bool PlainContains(std::string_view text, std::span<const uint8_t> bytes) {
  auto fold = [](uint8_t b) -> uint8_t {
    if (b < 0x20 || b >= 0x80) return ' ';
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 32) : b;
  };
  auto upper = [](uint8_t b) -> uint8_t {
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 32) : b;
  };
  if (bytes.empty() || bytes.size() < text.size()) return false;
  for (size_t p = 0; p + text.size() <= bytes.size(); ++p) {
    size_t j = 0;
    while (j < text.size() && fold(bytes[p + j]) == upper(static_cast<uint8_t>(text[j]))) ++j;
    if (j == text.size()) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t textLength = std::min<size_t>(data[0] % 65, size - 1);
  std::string_view text(reinterpret_cast<const char*>(data + 1), textLength);
  std::span<const uint8_t> content(data + 1 + textLength, size - 1 - textLength);
  conduit::search::TextMatcher matcher(text);
  if (matcher.Contains(content) != PlainContains(text, content)) std::abort();
  return 0;
}
