#include "crt/crand.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CRand, SeededSequenceRepeatsAndStaysInRange) {
  CSrand(1);
  int first[4];
  for (int& v : first) v = CRand();
  // The C library's sequence from seed 1.
  EXPECT_EQ(first[0], 41);
  EXPECT_EQ(first[1], 18467);
  EXPECT_EQ(first[2], 6334);
  EXPECT_EQ(first[3], 26500);
  CSrand(1);
  for (int v : first) EXPECT_EQ(CRand(), v);
  for (int i = 0; i < 100000; ++i) {
    int v = CRand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, kCRandMax);
  }
}

}  // namespace
}  // namespace platform
