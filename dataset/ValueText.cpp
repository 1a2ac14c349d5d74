#include "dataset/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

double TDecimal::ToDouble() const {
  // Up to 15 digits: the digits as an integer and the power of ten are both exact doubles, so their quotient
  // is the correctly rounded value, as the general conversion gives it (trailing zeros or not).
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  uint64_t digits = digits_;
  int32_t scale = scale_;
  if (scale < 0 && integer_.size() + fraction_.size() <= 15) {
    // Many trailing zeros: the digits without them.
    digits = 0;
    for (const char c : integer_) digits = digits * 10 + static_cast<unsigned char>(c - '0');
    for (const char c : fraction_) digits = digits * 10 + static_cast<unsigned char>(c - '0');
    scale = static_cast<int32_t>(fraction_.size());
  }
  if (scale >= 0) {
    if (digits == 0) return 0.0;
    const double value = static_cast<double>(digits) / kPowers[scale];
    return negative_ ? -value : value;
  }
  std::string_view text = text_;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // Beyond the range of doubles: infinity for the large, zero for the tiny, so that the order holds.
  if (error == std::errc::result_out_of_range)
    value = integer_.empty() ? 0.0 : negative_ ? -HUGE_VAL : HUGE_VAL;
  if (value == 0) return 0.0;  // no -0: it equals 0
  return value;
}

bool WildcardMatch(std::string_view text, std::string_view pattern) {
  // Greedy with one back-track point, the last "*": linear in practice, never exponential.
  size_t t = 0;
  size_t p = 0;
  size_t starPattern = std::string_view::npos;
  size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && pattern[p] == text[t]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starText = t;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}
