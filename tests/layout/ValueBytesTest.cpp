// The word-at-a-time byte helpers against the byte-by-byte answer, for every length up to three words and a
// zero byte at every place, zero bytes lying just outside the range included.
#include <gtest/gtest.h>

#include <string>

#include "layout/ValueBytes.h"

TEST(ValueBytes, ZeroBytesAreFoundAtEveryPlaceAndOnlyInsideTheRange) {
  for (size_t n = 0; n <= 24; ++n)
    for (size_t zeroAt = 0; zeroAt <= n; ++zeroAt) {  // n: no zero byte inside
      // The range starts one byte in, with zero bytes on both sides of it.
      std::string bytes(n + 2, 'x');
      bytes.front() = '\0';
      bytes.back() = '\0';
      if (zeroAt < n) bytes[1 + zeroAt] = '\0';
      EXPECT_EQ(HasZeroByteIn(bytes.data() + 1, n), zeroAt < n) << "length " << n << ", zero at " << zeroAt;
      std::string copy(n, '-');
      EXPECT_EQ(CopyUntilZero(copy.data(), bytes.data() + 1, n), zeroAt) << "length " << n;
      EXPECT_EQ(copy.substr(0, zeroAt), bytes.substr(1, zeroAt));
    }
}
