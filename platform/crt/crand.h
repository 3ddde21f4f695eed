// The C library's pseudo-random generator as the PC had it: values 0 to
// 32,767 from a linear congruential sequence. Unseeded it starts from 1, so
// a process that never seeds it draws the same values every run.
#pragma once

#include <cstdint>

namespace platform {

constexpr int kCRandMax = 32767;

// Next value, 0 to 32,767.
int CRand();
// Restarts the sequence from `seed`.
void CSrand(uint32_t seed);

}  // namespace platform
