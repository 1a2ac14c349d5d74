#include "support/DateTimeText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "support/Exception.h"

namespace {

struct TDateSettings {
  std::string shortDateFormat = "m/d/yy";
  char dateSeparator = '/';
};

TDateSettings& DateSettings() {
  static TDateSettings settings;
  return settings;
}

// Days between 30 December 1899 and 1 January 1970.
constexpr int64_t kUnixEpochDay = 25569;

// Civil date of a day count since 1970-01-01 and back (proleptic Gregorian calendar).
struct TCivilDate {
  int64_t year;
  int month;
  int day;
};

TCivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeapYear(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// The whole days of a date value; values beyond any calendar are clamped so that they still print.
int64_t WholeDays(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int64_t>(std::trunc(std::clamp(value, -3.0e6, 3.0e6)));
}

std::tm TmOfDay(int64_t days) {
  const TCivilDate date = CivilFromDays(days - kUnixEpochDay);
  std::tm t{};
  t.tm_year = static_cast<int>(date.year - 1900);
  t.tm_mon = date.month - 1;
  t.tm_mday = date.day;
  return t;
}

// The order of day, month and year in the short date format: 'D', 'M', 'Y' as they first appear.
std::array<char, 3> FieldOrder() {
  std::array<char, 3> order{};
  size_t n = 0;
  for (const char raw : ShortDateFormat()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
    if ((c == 'D' || c == 'M' || c == 'Y') && n < 3 &&
        std::find(order.begin(), order.begin() + n, c) == order.begin() + n)
      order[n++] = c;
  }
  if (n != 3) return {'M', 'D', 'Y'};
  return order;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Reads 1 to maxDigits decimal digits at s[pos].
std::optional<int> ReadNumber(std::string_view s, size_t& pos, size_t maxDigits) {
  size_t digits = 0;
  int value = 0;
  while (pos < s.size() && digits < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

// The date at the start of s; pos is left after it.
std::optional<double> ParseDate(std::string_view s, size_t& pos) {
  const auto order = FieldOrder();
  int day = 0, month = 0;
  int64_t year = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= s.size() || s[pos] != DateSeparator()) return std::nullopt;
      ++pos;
    }
    const size_t start = pos;
    const auto value = ReadNumber(s, pos, order[i] == 'Y' ? 4 : 2);
    if (!value) return std::nullopt;
    if (order[i] == 'D') day = *value;
    if (order[i] == 'M') month = *value;
    if (order[i] == 'Y') {
      year = *value;
      if (pos - start <= 2) year += year < 50 ? 2000 : 1900;
    }
  }
  if (month < 1 || month > 12 || year < 1 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

// "h:nn[:ss[.zzz]]" at s[pos] as a fraction of a day.
std::optional<double> ParseTime(std::string_view s, size_t& pos) {
  const auto hours = ReadNumber(s, pos, 2);
  if (!hours || pos >= s.size() || s[pos] != ':') return std::nullopt;
  ++pos;
  const auto minutes = ReadNumber(s, pos, 2);
  if (!minutes) return std::nullopt;
  int seconds = 0, milliseconds = 0;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    const auto value = ReadNumber(s, pos, 2);
    if (!value) return std::nullopt;
    seconds = *value;
    if (pos < s.size() && s[pos] == '.') {
      ++pos;
      const size_t start = pos;
      const auto ms = ReadNumber(s, pos, 3);
      if (!ms) return std::nullopt;
      milliseconds = *ms * (pos - start == 1 ? 100 : pos - start == 2 ? 10 : 1);
    }
  }
  if (*hours > 23 || *minutes > 59 || seconds > 59) return std::nullopt;
  return ((*hours * 3600 + *minutes * 60 + seconds) * 1000.0 + milliseconds) / 86400000.0;
}

[[noreturn]] void RaiseConvert(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

}  // namespace

const std::string& ShortDateFormat() {
  return DateSettings().shortDateFormat;
}
void SetShortDateFormat(std::string format) {
  DateSettings().shortDateFormat = std::move(format);
}
char DateSeparator() {
  return DateSettings().dateSeparator;
}

std::string FormatShortDate(std::string_view format, char separator, const std::tm& t) {
  std::string out;
  for (size_t i = 0; i < format.size();) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(format[i])));
    size_t run = 1;
    while (i + run < format.size() && std::toupper(static_cast<unsigned char>(format[i + run])) == c) ++run;
    char part[24] = {};
    if (c == 'D' || c == 'M') {
      const int value = c == 'D' ? t.tm_mday : t.tm_mon + 1;
      std::snprintf(part, sizeof part, run >= 2 ? "%02d" : "%d", value);
    } else if (c == 'Y') {
      const long long year = t.tm_year + 1900LL;
      // Four digits for every year, so that a year below 1000 does not read back as a two-digit one.
      if (run >= 3)
        std::snprintf(part, sizeof part, "%04lld", year);
      else
        std::snprintf(part, sizeof part, "%02lld", (year % 100 + 100) % 100);
    } else if (c == '/') {
      part[0] = separator;
      run = 1;
    } else {
      part[0] = format[i];
      run = 1;
    }
    out += part;
    i += run;
  }
  return out;
}

std::string DateToText(double value) {
  return FormatShortDate(ShortDateFormat(), DateSeparator(), TmOfDay(WholeDays(value)));
}

std::string DateTimeToText(double value) {
  const int64_t days = WholeDays(value);
  std::string text = DateToText(value);
  if (!std::isfinite(value)) return text;
  auto ms = static_cast<int64_t>(std::llround(std::fabs(value - static_cast<double>(days)) * 86400000.0));
  if (ms >= 86400000) ms = 86399999;
  if (ms == 0) return text;
  char time[32];
  const int h = static_cast<int>(ms / 3600000), n = static_cast<int>(ms / 60000 % 60),
            s = static_cast<int>(ms / 1000 % 60), z = static_cast<int>(ms % 1000);
  if (z != 0)
    std::snprintf(time, sizeof time, " %02d:%02d:%02d.%03d", h, n, s, z);
  else
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", h, n, s);
  return text + time;
}

std::string FloatToText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

double TextToDate(std::string_view text) {
  const std::string_view s = TrimBlanks(text);
  size_t pos = 0;
  const auto date = ParseDate(s, pos);
  if (!date || pos != s.size()) RaiseConvert(text, "date");
  return *date;
}

double TextToDateTime(std::string_view text) {
  const std::string_view s = TrimBlanks(text);
  size_t pos = 0;
  const auto date = ParseDate(s, pos);
  if (!date) RaiseConvert(text, "date and time");
  if (pos == s.size()) return *date;
  if (s[pos] != ' ') RaiseConvert(text, "date and time");
  while (pos < s.size() && s[pos] == ' ') ++pos;
  const auto time = ParseTime(s, pos);
  if (!time || pos != s.size()) RaiseConvert(text, "date and time");
  // Before 30 December 1899 the time counts away from zero, as the whole days do.
  return *date < 0 ? *date - *time : *date + *time;
}

double TextToFloat(std::string_view text) {
  const std::string_view s = TrimBlanks(text);
  double value = 0;
  const char* first = s.data();
  if (!s.empty() && s.front() == '+') ++first;
  const auto result = std::from_chars(first, s.data() + s.size(), value);
  if (s.empty() || result.ec != std::errc() || result.ptr != s.data() + s.size() || !std::isfinite(value))
    RaiseConvert(text, "floating point value");
  return value;
}
