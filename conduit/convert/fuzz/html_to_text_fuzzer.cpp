// Fuzz target: any bytes through the HTML conversion, the line-break
// normalisation and the transcoder. The conversions must never read past
// their input, and the results must keep the properties callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "convert/convert.h"
#include "convert/transcode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  std::string html = input;
  conduit::HtmlToText(html);
  // Tags and source line breaks are gone; no text holds a NUL.
  if (html.find('\0') != std::string::npos || html.find('\r') != std::string::npos) std::abort();

  std::string text = input;
  conduit::NormaliseLineBreaks(text);
  if (text.find('\r') != std::string::npos || text.find('\t') != std::string::npos) std::abort();

  const std::string handheld = conduit::TranscodeUtf8ToWindows1252(input);
  if (handheld.size() > input.size()) std::abort();
  if (conduit::TranscodeUtf8ToWindows1252(conduit::Windows1252ToUtf8(handheld)) != handheld) {
    std::abort();
  }

  size_t position = 0;
  for (conduit::HtmlToken token = conduit::NextHtmlToken(input, position);
       token.kind != conduit::HtmlTokenKind::kEnd;
       token = conduit::NextHtmlToken(input, position)) {
    if (token.text.empty() || position > input.size() + 1) std::abort();
  }
  return 0;
}
