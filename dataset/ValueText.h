#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// How filters and sorts see a field's value: its text without the blanks that pad fixed-width fields on
// either side, compared byte by byte, or as a decimal number when it is one. Inline, with plain loops:
// values are short, and this runs for every value of a filter or sort.
inline std::string_view ComparableText(std::string_view value) {
  const char* first = value.data();
  const char* last = first + value.size();
  while (first != last && *first == ' ') ++first;
  while (last != first && last[-1] == ' ') --last;
  return std::string_view(first, static_cast<size_t>(last - first));
}

// A decimal number as written: optional sign, digits, optionally a point and more digits (at least one
// digit in all). Compared exactly, whatever the number of digits.
class TDecimal {
 public:
  // False, leaving the decimal as it was, when text is no number.
  bool Parse(std::string_view text);
  // Negative, zero or positive as this is less than, equal to or greater than other.
  int Compare(const TDecimal& other) const;
  // The nearest double (correctly rounded, so that the order of decimals never reverses).
  double ToDouble() const;
  // Whether ToDouble tells this number apart from every other decimal: at most 15 significant digits at
  // a scale well within the range of doubles.
  bool ExactAsDouble() const { return exactAsDouble_; }

 private:
  static bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
  static int CompareDigits(std::string_view a, std::string_view b);
  // Magnitude comparison of two non-negative decimals.
  static int CompareMagnitude(const TDecimal& a, const TDecimal& b);

  bool negative_ = false;
  std::string_view integer_;   // without leading zeros
  std::string_view fraction_;  // without trailing zeros
  std::string_view text_;      // as given, for ToDouble
  bool exactAsDouble_ = true;
  // The digits as written, trailing zeros included, as an integer, and the fraction's length, where both are
  // exact as doubles (ToDouble divides the one by the power of ten of the other); else scale_ is -1.
  uint64_t digits_ = 0;
  int32_t scale_ = -1;
};

// Parsing and comparing are inline: a filter or sort does both for every value of its columns.

[[gnu::always_inline]] inline bool TDecimal::Parse(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  // Every digit as one integer on the way (its overflow is never used).
  uint64_t digits = 0;
  const char* integerFirst = p;
  for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned char>(*p - '0');
  const char* integerLast = p;
  const char* fractionFirst = p;
  const char* fractionLast = p;
  if (p != end && *p == '.') {
    fractionFirst = ++p;
    for (; p != end && IsDigit(*p); ++p) digits = digits * 10 + static_cast<unsigned char>(*p - '0');
    fractionLast = p;
  }
  const auto written = static_cast<int32_t>(fractionLast - fractionFirst);
  if (p != end || (integerFirst == integerLast && fractionFirst == fractionLast)) return false;
  while (integerFirst != integerLast && *integerFirst == '0') ++integerFirst;
  while (fractionLast != fractionFirst && fractionLast[-1] == '0') --fractionLast;
  const auto integerSize = static_cast<size_t>(integerLast - integerFirst);
  const auto fractionSize = static_cast<size_t>(fractionLast - fractionFirst);
  // Up to 15 digits after the leading zeros: below 2^53, so that digits and scale are exact as doubles.
  const bool exactQuotient = integerSize + static_cast<size_t>(written) <= 15;
  digits_ = exactQuotient ? digits : 0;
  scale_ = exactQuotient ? written : -1;
  negative_ = negative && integerSize + fractionSize != 0;  // -0 is 0
  integer_ = std::string_view(integerFirst, integerSize);
  fraction_ = std::string_view(fractionFirst, fractionSize);
  text_ = text;
  size_t significant = integerSize + fractionSize;
  size_t leadingZeros = 0;
  if (integerSize == 0) {
    while (leadingZeros < fractionSize && fractionFirst[leadingZeros] == '0') ++leadingZeros;
    significant -= leadingZeros;
  }
  // Fifteen significant digits survive a double; so does the scale, far inside its exponent range.
  exactAsDouble_ = significant <= 15 && integerSize <= 300 && leadingZeros <= 300;
  return true;
}

// Text order of two digit runs, byte by byte: they are short, and a call to memcmp would cost more.
inline int TDecimal::CompareDigits(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

[[gnu::always_inline]] inline int TDecimal::CompareMagnitude(const TDecimal& a, const TDecimal& b) {
  if (a.integer_.size() != b.integer_.size()) return a.integer_.size() < b.integer_.size() ? -1 : 1;
  if (const int c = CompareDigits(a.integer_, b.integer_); c != 0) return c;
  return CompareDigits(a.fraction_, b.fraction_);  // no trailing zeros: plain text order is numeric order
}

[[gnu::always_inline]] inline int TDecimal::Compare(const TDecimal& other) const {
  if (negative_ != other.negative_) return negative_ ? -1 : 1;
  const int magnitude = CompareMagnitude(*this, other);
  return negative_ ? -magnitude : magnitude;
}

// Whole-value match of text against pattern: "*" any run of bytes, "?" any one byte, every other byte
// itself.
bool WildcardMatch(std::string_view text, std::string_view pattern);
