#pragma once

#include <cstdint>
#include <string_view>

// How filters and sorts see a field's value: its text without the blanks that pad fixed-width fields on
// either side, compared byte by byte, or as a decimal number when it is one.
// Inline, with plain loops: values are short, and this runs for every value of a filter or sort.
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
  // Magnitude comparison of two non-negative decimals.
  static int CompareMagnitude(const TDecimal& a, const TDecimal& b);

  bool negative_ = false;
  std::string_view integer_;   // without leading zeros
  std::string_view fraction_;  // without trailing zeros
  std::string_view text_;      // as given, for ToDouble
  bool exactAsDouble_ = true;
};

// Whole-value match of text against pattern: "*" any run of bytes, "?" any one byte, every other byte
// itself.
bool WildcardMatch(std::string_view text, std::string_view pattern);
