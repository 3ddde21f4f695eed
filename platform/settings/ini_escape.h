// The INI file's escaping of names and values, written to agree byte for byte
// with Qt's QSettings in INI format, so that a setting written here reads the
// same through QSettings and the other way round.
//
// Names (group and key names): letters, digits, '_', '-' and '.' stay as they
// are, '/' (the separator of nested keys) becomes '\', any other character up
// to U+00FF becomes %XX and any other UTF-16 unit %UXXXX.
//
// Values: C-style backslash escapes for control characters, quotes and
// backslashes, UTF-8 for everything else, and double quotes around a value
// that holds ',' ';' or '=' or begins or ends with a space. A value is a byte
// string here: valid UTF-8 is stored as text (as "@String(...)" when it holds
// a NUL, with a doubled '@' when it begins with '@'); anything else is stored
// as "@ByteArray(...)", which QSettings reads back as the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace platform::settings {

// A name (UTF-8) as it stands in the file.
std::string EscapeName(std::string_view name);
// A name as it stands in the file, decoded to UTF-8.
std::string UnescapeName(std::string_view escaped);

// The stored form of a value.
std::string EncodeValue(std::string_view data);
// The value that a stored form stands for. A list (items separated by
// unquoted commas) reads as an empty value, as QSettings' toString() gives.
std::string DecodeValue(std::string_view stored);

// Repairs a stored form taken verbatim from a file so that it keeps its
// meaning when more lines follow it: a dangling final backslash (which would
// join the next line) is made "\x", which ends a value the same way, an
// escaped CR at the end becomes an escaped LF, and an open double quote is
// closed.
std::string CloseStoredValue(std::string_view stored);

}  // namespace platform::settings
