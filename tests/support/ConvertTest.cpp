#include <gtest/gtest.h>

#include <optional>

#include "support/Convert.h"
#include "tests/support/FailureOf.h"

namespace {

TEST(Convert, OneIntegerSyntaxForPlainDigitsSignsAndHexadecimal) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"0000143", 143},
      {"999999999", 999999999},      // nine digits: the inline path
      {"2147483647", INT32_MAX},     // ten digits: the general path
      {"2147483648", std::nullopt},  // beyond int32
      {"-2147483648", INT32_MIN},
      {"+17", 17},
      {"-0", 0},
      {"$1F", 31},
      {"$1a2b3c4d", 0x1A2B3C4D},
      {"$FFFFFFFF", -1},
      {"-$10", -16},
      {"$100000000", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"12a", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryStrToInt(c.text), c.value) << c.text;
    EXPECT_EQ(StrToIntDef(c.text, -7), c.value.value_or(-7)) << c.text;
  }
}

TEST(Convert, StrToIntNamesTheTextItCannotRead) {
  EXPECT_EQ(StrToInt("042"), 42);
  EXPECT_EQ(FailureOf<EConvertError>([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
  EXPECT_EQ(FailureOf<EConvertError>([] { StrToInt(""); }), "'' is not a valid integer value");
}

}  // namespace
