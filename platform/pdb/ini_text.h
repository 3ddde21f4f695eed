// Reading and changing one key of a small INI text ("[Section]" lines and
// "key=value" lines), keeping every other line as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::pdb {

// Value of `key` in `[section]`: the text after the first '=', without the
// line's end; nothing when the section or key is missing.
std::optional<std::string> ReadIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` in `[section]` set to `value`: the key's line is
// replaced, or added at the end of the section, or the section is added at
// the end of the text.
std::string WriteIniValue(std::string_view text, std::string_view section, std::string_view key,
                          std::string_view value);

}  // namespace platform::pdb
