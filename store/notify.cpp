// Finding the desktop program's window on the window station and posting it
// the reload character.
#include "notify.h"

#include <algorithm>

#include "winsta/window_station.h"

namespace store {
namespace {

// A title is read into a buffer of 255 characters, so only its first 254
// count; the prefix lies well inside them.
constexpr size_t kTitleBufferSize = 255;

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool IsReloadTarget(std::string_view title) {
  title = title.substr(0, std::min(title.size(), kTitleBufferSize - 1));
  if (title.size() < kReloadWindowTitlePrefix.size()) return false;
  return std::equal(kReloadWindowTitlePrefix.begin(), kReloadWindowTitlePrefix.end(), title.begin(),
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool NotifyReload() {
  for (const platform::winsta::WindowInfo& window : platform::winsta::EnumWindows()) {
    if (!IsReloadTarget(window.title)) continue;
    platform::winsta::Message message;
    message.message = platform::winsta::kWmChar;
    message.wParam = static_cast<uint64_t>(kReloadCharacter);
    message.lParam = 0;
    return platform::winsta::PostMessage(window, message);
  }
  return false;
}

}  // namespace store
