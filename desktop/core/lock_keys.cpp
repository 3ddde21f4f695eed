// Reading the lock keys' LEDs.
#include "lock_keys.h"

#include "fs/fs.h"

namespace desktop {
namespace {

bool LedLit(const std::string& ledFolder, const std::string& name) {
  auto bytes = platform::ReadWholeFile(ledFolder + "/" + name + "/brightness");
  return bytes && !bytes->empty() && (*bytes)[0] != '0';
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

LockKeyState ReadLockKeys(const std::string& ledFolder) {
  LockKeyState state;
  for (const platform::DirectoryEntry& led : platform::ListDirectory(ledFolder, "*")) {
    if (EndsWith(led.name, "::capslock")) state.capsLock |= LedLit(ledFolder, led.name);
    if (EndsWith(led.name, "::numlock")) state.numLock |= LedLit(ledFolder, led.name);
    if (EndsWith(led.name, "::scrolllock")) state.scrollLock |= LedLit(ledFolder, led.name);
  }
  return state;
}

}  // namespace desktop
