// The running program and stamps for the conversion tests.
#include "convert_test_support.h"

#include <filesystem>

#include "convert/convert.h"

namespace conduit::testing {

std::string ExecutablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::array<uint8_t, 8> StampOf(time_t time) {
  std::array<uint8_t, 8> bytes{};
  StampDateTime(time, bytes);
  return bytes;
}

}  // namespace conduit::testing
