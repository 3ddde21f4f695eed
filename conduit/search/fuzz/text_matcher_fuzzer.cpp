// Differential fuzz target for the text test: the first input byte sets the
// text's length, the text follows, and the rest is the file's content. The
// fast matcher must agree with a plain position-by-position comparison.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "search/tests/reference_text_match.h"
#include "search/text_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t textLength = std::min<size_t>(data[0] % 65, size - 1);
  std::string_view text(reinterpret_cast<const char*>(data + 1), textLength);
  std::span<const uint8_t> content(data + 1 + textLength, size - 1 - textLength);
  conduit::search::TextMatcher matcher(text);
  if (matcher.Contains(content) != conduit::test::ReferenceContains(text, content)) std::abort();
  return 0;
}
