#include "dataset/ValueText.h"

#include <charconv>
#include <cmath>
#include <string>

std::string_view ComparableText(std::string_view value) {
  const size_t first = value.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return value.substr(first, value.find_last_not_of(' ') - first + 1);
}

bool TDecimal::Parse(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t integerStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  std::string_view integer = text.substr(integerStart, i - integerStart);
  std::string_view fraction;
  if (i < text.size() && text[i] == '.') {
    const size_t fractionStart = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    fraction = text.substr(fractionStart, i - fractionStart);
  }
  if (i != text.size() || (integer.empty() && fraction.empty())) return false;
  while (!integer.empty() && integer.front() == '0') integer.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  negative_ = negative && !(integer.empty() && fraction.empty());  // -0 is 0
  integer_ = integer;
  fraction_ = fraction;
  text_ = text;
  size_t significant = integer.size() + fraction.size();
  size_t leadingZeros = 0;
  if (integer.empty()) {
    while (leadingZeros < fraction.size() && fraction[leadingZeros] == '0') ++leadingZeros;
    significant -= leadingZeros;
  }
  // Fifteen significant digits survive a double; so does the scale, far inside its exponent range.
  exactAsDouble_ = significant <= 15 && integer.size() <= 300 && leadingZeros <= 300;
  return true;
}

int TDecimal::CompareMagnitude(const TDecimal& a, const TDecimal& b) {
  if (a.integer_.size() != b.integer_.size()) return a.integer_.size() < b.integer_.size() ? -1 : 1;
  if (const int c = a.integer_.compare(b.integer_); c != 0) return c < 0 ? -1 : 1;
  const int c = a.fraction_.compare(b.fraction_);  // no trailing zeros: plain text order is numeric order
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int TDecimal::Compare(const TDecimal& other) const {
  if (negative_ != other.negative_) return negative_ ? -1 : 1;
  const int magnitude = CompareMagnitude(*this, other);
  return negative_ ? -magnitude : magnitude;
}

double TDecimal::ToDouble() const {
  // Up to 15 digits: the digits as an integer and the power of ten are both exact doubles, so their quotient
  // is the correctly rounded value, as the general conversion gives it.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (integer_.size() + fraction_.size() <= 15) {
    int64_t digits = 0;
    for (const char c : integer_) digits = digits * 10 + (c - '0');
    for (const char c : fraction_) digits = digits * 10 + (c - '0');
    if (digits == 0) return 0.0;
    const double value = static_cast<double>(digits) / kPowers[fraction_.size()];
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
