#include "stadaf/PlainBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every byte value at every place of every count: the word forms agree with the byte-by-byte ones.
TEST(PlainBytes, WordDigitsAgreeWithDigitByDigit) {
  const std::string digits = "9081726354";
  for (int32_t count = 1; count <= 8; ++count) {
    for (int32_t place = 0; place < 8; ++place) {
      for (int c = 0; c < 256; ++c) {
        std::string bytes = digits.substr(0, 8);
        bytes[static_cast<size_t>(place)] = static_cast<char>(c);
        const int32_t expected = PlainDigits(bytes.data(), count);
        ASSERT_EQ(PlainDigitsOfWord(LoadWord(bytes.data()), count), expected)
            << "count " << count << ", byte " << c << " at " << place;
      }
    }
  }
  EXPECT_EQ(PlainDigitsOfWord(LoadWord("99999999"), 8), 99999999);
  EXPECT_EQ(PlainDigitsOfWord(LoadWord("00000000"), 8), 0);
  // A structure's header: the total in its first 6 bytes, the element size in the last 5.
  const char* header = "0000120000300004";
  EXPECT_EQ(PlainDigitsOfWord(LoadWord(header), 6), 12);
  EXPECT_EQ(PlainDigitsOfWord(LoadWord(header + 8) >> 24, 5), 4);
}

TEST(PlainBytes, LeadingDigitsAndZeroBytesWithinReadableBytes) {
  const std::string record = std::string(40, '7') + "FA";
  for (size_t digits = 0; digits <= 20; ++digits) {
    std::string bytes = record;
    bytes[digits] = 'F';
    for (const size_t readable : {bytes.size(), size_t{16}, size_t{digits + 1}, size_t{3}}) {
      size_t expected = 0;
      while (expected < 19 && expected < readable && bytes[expected] >= '0' && bytes[expected] <= '9')
        ++expected;
      EXPECT_EQ(LeadingDigits(bytes.data(), 19, readable), expected) << digits << " digits, " << readable;
    }
  }
  for (size_t count = 0; count <= 40; ++count) {
    for (size_t zero = 0; zero <= 40; ++zero) {
      std::string bytes(64, 'a');
      if (zero < bytes.size()) bytes[zero] = '\0';
      const size_t expected = std::min(zero, count);
      EXPECT_EQ(BytesBeforeZeroWithin(bytes.data(), count, bytes.size()), expected) << count << ", " << zero;
      EXPECT_EQ(BytesBeforeZeroWithin(bytes.data(), count, count), expected) << count << ", " << zero;
    }
  }
}

}  // namespace
