// Helpers for the conversion tests: the running program's path and the
// stamp bytes the converters write.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace conduit::testing {

// The running program's path.
std::string ExecutablePath();
// The stamp bytes StampDateTime writes for `time`.
std::array<uint8_t, 8> StampOf(time_t time);

}  // namespace conduit::testing
