// Reading the lock keys' LEDs.
#include "lock_keys.h"

#include "fs/fs.h"

namespace desktop {
namespace {

bool LedLit(const std::string& ledFolder, const std::string& name) {
  auto bytes = platform::ReadWholeFile(ledFolder + "/" + name + "/brightness");
  return bytes && !bytes->empty() && (*bytes)[0] != '0';
}

}  // namespace

LockKeyState ReadLockKeys(const std::string& ledFolder) {
  LockKeyState state;
  for (const platform::DirectoryEntry& led : platform::ListDirectory(ledFolder, "*")) {
    if (led.name.ends_with("::capslock")) state.capsLock |= LedLit(ledFolder, led.name);
    if (led.name.ends_with("::numlock")) state.numLock |= LedLit(ledFolder, led.name);
    if (led.name.ends_with("::scrolllock")) state.scrollLock |= LedLit(ledFolder, led.name);
  }
  return state;
}

}  // namespace desktop
