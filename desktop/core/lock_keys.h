// The state of the keyboard's lock keys for the status bar's indicators.
// Linux shows it in the keyboard LEDs under /sys/class/leds ("input3::capslock"
// and so on); where there are none, every lock reads as off.
#pragma once

#include <string>

namespace desktop {

struct LockKeyState {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
  friend bool operator==(const LockKeyState&, const LockKeyState&) = default;
};

// A lock counts as on when any keyboard shows its LED lit.
LockKeyState ReadLockKeys(const std::string& ledFolder = "/sys/class/leds");

}  // namespace desktop
