// CMP, the exchange that opens a serial HotSync before any DLP. The
// handheld sends a wakeup with the highest speed it can do; the desktop
// answers with an init naming the speed both will use, or with an abort.
// Each is one PADP message of ten bytes:
//
//   offset size field
//        0    1 type           1 wakeup, 2 init, 3 abort
//        1    1 flags          init: 0x80 change speed (the speed is not
//                              9600), 0x10 long PADP headers are fine;
//                              abort: 0x80 CMP versions differ;
//                              wakeup: 0x10 long PADP headers are fine
//        2    1 major version  of CMP; 1 on both sides that can talk
//        3    1 minor version
//        4    2 reserved       zero
//        6    4 speed          bits per second, big-endian
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "result/result.h"

namespace platform::link {

constexpr uint8_t kCmpWakeup = 1;
constexpr uint8_t kCmpInit = 2;
constexpr uint8_t kCmpAbort = 3;

constexpr uint8_t kCmpChangeSpeed = 0x80;
constexpr uint8_t kCmpLongPadp = 0x10;
constexpr uint8_t kCmpVersionMismatch = 0x80;

constexpr size_t kCmpSize = 1 + 1 + 1 + 1 + 2 + 4;
constexpr uint8_t kCmpMajorVersion = 1;
constexpr uint8_t kCmpDesktopMinorVersion = 1;
// The speed a serial line starts at, which needs no change.
constexpr uint32_t kCmpStartSpeed = 9600;

struct CmpMessage {
  uint8_t type = kCmpWakeup;
  uint8_t flags = 0;
  uint8_t major = kCmpMajorVersion;
  uint8_t minor = 0;
  uint16_t reserved = 0;
  uint32_t speed = 0;

  std::vector<uint8_t> Encode() const;
  // Refuses a message that is too short or of an unknown type; bytes past
  // the ten are ignored.
  static Result<CmpMessage> Decode(std::span<const uint8_t> bytes);
};

// The desktop's answer to a wakeup: an init at the lower of the two
// highest speeds, with long PADP headers when both sides can take them, or
// an abort when the handheld speaks another CMP major version.
CmpMessage CmpAnswer(const CmpMessage& wakeup, uint32_t desktopMaxSpeed, bool desktopLongPadp);

}  // namespace platform::link
