#include "dataset/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {
bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}
}  // namespace

bool TDecimal::Parse(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* integerFirst = p;
  while (p != end && IsDigit(*p)) ++p;
  const char* integerLast = p;
  const char* fractionFirst = p;
  const char* fractionLast = p;
  if (p != end && *p == '.') {
    fractionFirst = ++p;
    while (p != end && IsDigit(*p)) ++p;
    fractionLast = p;
  }
  if (p != end || (integerFirst == integerLast && fractionFirst == fractionLast)) return false;
  while (integerFirst != integerLast && *integerFirst == '0') ++integerFirst;
  while (fractionLast != fractionFirst && fractionLast[-1] == '0') --fractionLast;
  const auto integerSize = static_cast<size_t>(integerLast - integerFirst);
  const auto fractionSize = static_cast<size_t>(fractionLast - fractionFirst);
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

namespace {
// Text order of two digit runs, byte by byte: they are short, and a call to memcmp would cost more.
int CompareDigits(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
}  // namespace

int TDecimal::CompareMagnitude(const TDecimal& a, const TDecimal& b) {
  if (a.integer_.size() != b.integer_.size()) return a.integer_.size() < b.integer_.size() ? -1 : 1;
  if (const int c = CompareDigits(a.integer_, b.integer_); c != 0) return c;
  return CompareDigits(a.fraction_, b.fraction_);  // no trailing zeros: plain text order is numeric order
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
