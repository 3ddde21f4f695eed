// One process-wide sequence, like the C library's.
#include "crand.h"

namespace platform {
namespace {
uint32_t g_state = 1;
}  // namespace

int CRand() {
  g_state = g_state * 214013u + 2531011u;
  return static_cast<int>((g_state >> 16) & 0x7fffu);
}

void CSrand(uint32_t seed) {
  g_state = seed;
}

}  // namespace platform
