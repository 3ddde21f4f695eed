// The reload notification: after the conduit has rewritten "Vellamore.dat"
// it tells the desktop program to load the store again by posting it the
// character R, as if typed into its main window.
#pragma once

#include <string_view>

namespace store {

// The title prefix by which the desktop program's main window is found.
inline constexpr std::string_view kReloadWindowTitlePrefix = "Vellamore";
// The character posted: R.
inline constexpr char kReloadCharacter = 'R';

// True when `title` begins with "Vellamore", letters compared without regard
// to case.
bool IsReloadTarget(std::string_view title);

// Posts WM_CHAR 'R' (wParam 82, lParam 0) to the first top-level window whose
// title begins with "Vellamore". True when such a window was found and the
// message was posted.
bool NotifyReload();

}  // namespace store
