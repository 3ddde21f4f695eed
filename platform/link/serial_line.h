// A serial line (a cradle's serial port, a USB-serial adapter, a
// pseudo-terminal): opened raw, 8 data bits, no parity, one stop bit, no
// flow control, at the 9600 bit/s every handheld starts at.
#pragma once

#include <cstdint>
#include <string>

#include "result/result.h"

namespace platform::link {

constexpr uint32_t kSerialStartSpeed = 9600;

// The speeds a line can be set to, slowest first.
bool IsSerialSpeed(uint32_t bitsPerSecond);

// Opens `device` for this program alone, non-blocking, at 9600 bit/s; the
// descriptor. Code() is kSerialLineAbsent when the device does not exist
// (yet).
Result<int> OpenSerialLine(const std::string& device);
constexpr int kSerialLineAbsent = 1;

// Switches an open line to `bitsPerSecond` once what was written has left.
Result<void> SetSerialSpeed(int fd, uint32_t bitsPerSecond);

// Drops what arrived and was not read.
void DiscardSerialInput(int fd);

}  // namespace platform::link
