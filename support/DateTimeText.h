#pragma once

#include <ctime>
#include <string>
#include <string_view>

// The program's date settings and the text forms of dates, date-times and floating values that follow
// them. Date values count days since 30 December 1899, the time of day as the fraction.

// The process-wide short date format (runs of D, M and Y in either case, "/" for the date separator)
// and date separator. Without regional settings they start as "m/d/yy" and '/'.
const std::string& ShortDateFormat();
void SetShortDateFormat(std::string format);
char DateSeparator();

// The date of t in a short date format: one or two letters of D or M give the value as needed or in
// two digits; one or two Y the year's last two digits, three or more all four; "/" the separator.
std::string FormatShortDate(std::string_view format, char separator, const std::tm& t);

// The date part of value in the short date format.
std::string DateToText(double value);
// The date, then for a value with a time of day a blank and "hh:nn:ss", with ".zzz" when the
// milliseconds are not 0, so that the text reads back as the same value.
std::string DateTimeToText(double value);
// The shortest decimal form that reads back as the same value.
std::string FloatToText(double value);

// Text in the short date format's order of day, month and year, separated by the date separator; a
// year of one or two digits falls in 1950 to 2049. EConvertError "'<text>' is not a valid date".
double TextToDate(std::string_view text);
// A date, optionally followed by blanks and "h:nn[:ss[.zzz]]". EConvertError "'<text>' is not a valid
// date and time".
double TextToDateTime(std::string_view text);
// EConvertError "'<text>' is not a valid floating point value".
double TextToFloat(std::string_view text);
