// The two ways a USB handheld frames its HotSync: network HotSync packets
// (most handhelds since Palm OS 4) or the serial stack's SLP frames (the
// first USB handhelds). The kernel's tty does not say which; the
// handheld's first bytes do, because the handheld always speaks first.
#pragma once

#include <string_view>

#include "link/byte_stream.h"

namespace platform::link::usb {

enum class Framing {
  kNetSync,  // a NetSync data packet: type 1, the handheld's transaction 0xFF
  kSerial,   // an SLP frame: BE EF ED
};

std::string_view FramingName(Framing framing);

// Reads the handheld's first bytes by `deadline`, tells its framing from
// them and puts them back, so the link that is chosen reads them again.
// Fails on bytes of neither kind, a closed stream or the deadline.
Result<Framing> DetectFraming(ByteStream& stream, Clock::time_point deadline);

}  // namespace platform::link::usb
