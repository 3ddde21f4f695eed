// The one transcoder between the PC's text (UTF-8) and the handheld's
// (Windows-1252, the Palm OS Latin character set).
//
// UTF-8 to Windows-1252: every well-formed UTF-8 sequence becomes one byte,
// its Windows-1252 form, or '?' when the character has none. Bytes that do
// not form a well-formed sequence are taken as Windows-1252 already and pass
// unchanged, so a text that was never UTF-8 survives. The result is never
// longer than the input.
//
// Windows-1252 to UTF-8: every byte becomes its character; the five bytes
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the
// control characters of the same number, so the round trip is exact.
//
// Titles are handheld text: a title made from a PC name is transcoded to
// Windows-1252, and a name from the handheld becomes UTF-8 on the PC.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

std::string TranscodeUtf8ToWindows1252(std::string_view text);

// A text read from a file, ready for transcoding: without a leading UTF-8
// byte-order mark and, when the read stopped at a bound, without the start
// of a UTF-8 sequence that the bound cut in two (it would otherwise pass
// as stray Windows-1252 characters).
std::string_view WithoutUtf8Edges(std::string_view text, bool cutAtBound);
std::string Windows1252ToUtf8(std::string_view text);

// A name that comes from the handheld (a file name, a title) as PC text:
// kept when it is valid UTF-8 already, else read as Windows-1252; every
// control character (below 0x20, DEL and U+0080 to U+009F) becomes '_', so
// the name can stand in a file name, a list row or a log line.
std::string HandheldNameToUtf8(std::string_view name);

}  // namespace platform::text
