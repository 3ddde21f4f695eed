// Message boxes of a library that has no window: one line "caption: text"
// on standard error, where the person running the uninstall reads it.
#pragma once

#include <string_view>

namespace uninstall {

void ShowMessageBox(std::string_view caption, std::string_view text);

}  // namespace uninstall
