// Fuzz target: any bytes through the HTML conversion, the line-break
// normalisation and the transcoder. The conversions must never read past
// their input, and the results must keep the properties callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/convert.h"
#include "text/transcode.h"

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    out.append(text, start, at - start).append(to);
    start = at + from.size();
  }
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

// HtmlToText done step by step: line breaks first, then the token walk,
// then each entity over the whole text in turn.
std::string StepByStepHtmlToText(std::string text) {
  text = text.substr(0, text.find('\0'));
  ReplaceAll(text, "\n", " ");
  ReplaceAll(text, "\r", " ");
  ReplaceAll(text, "\t", "    ");
  std::string out;
  size_t position = 0;
  for (conduit::HtmlToken token = conduit::NextHtmlToken(text, position);
       token.kind != conduit::HtmlTokenKind::kEnd; token = conduit::NextHtmlToken(text, position)) {
    if (token.kind == conduit::HtmlTokenKind::kTextRun) {
      out.append(token.text);
    } else {
      out.append(conduit::HtmlTagText(std::string(token.text) + (token.closed ? "" : ">")));
    }
  }
  ReplaceAll(out, "&amp;", "&");
  ReplaceAll(out, "&copy;", "(c)");
  ReplaceAll(out, "&gt;", ">");
  ReplaceAll(out, "&lt;", "<");
  ReplaceAll(out, "&nbsp;", " ");
  return out;
}

// NormaliseLineBreaks done step by step.
std::string StepByStepLineBreaks(std::string text) {
  text = text.substr(0, text.find('\0'));
  ReplaceAll(text, "\r\n", "\n");
  ReplaceAll(text, "\n\r", "\n");
  ReplaceAll(text, "\r", "\n");
  ReplaceAll(text, "\t", "    ");
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  std::string html = input;
  conduit::HtmlToText(html);
  // Tags and source line breaks are gone; no text holds a NUL.
  if (html.find('\0') != std::string::npos || html.find('\r') != std::string::npos) std::abort();
  // The two-scan conversion gives what the step-by-step one gives.
  if (size <= 4096 && html != StepByStepHtmlToText(input)) std::abort();

  std::string text = input;
  conduit::NormaliseLineBreaks(text);
  if (text.find('\r') != std::string::npos || text.find('\t') != std::string::npos) std::abort();
  if (size <= 4096 && text != StepByStepLineBreaks(input)) std::abort();

  const std::string handheld = platform::text::TranscodeUtf8ToWindows1252(input);
  if (handheld.size() > input.size()) std::abort();
  if (platform::text::TranscodeUtf8ToWindows1252(platform::text::Windows1252ToUtf8(handheld)) !=
      handheld) {
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
