// Date-time values as days since 30 December 1899 (the fraction is the time
// of day): encoding, decoding and reading date and time texts.
#pragma once

#include <string_view>

#include "platform/exception.h"

namespace lf {

struct TDateParts {
  int Year = 1899, Month = 12, Day = 30;
};
struct TTimeParts {
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Throws EVariantError for a day that does not exist.
double EncodeDate(int year, int month, int day);
double EncodeTime(int hour, int minute, int second, int millisecond);
TDateParts DecodeDate(double dateTime);
TTimeParts DecodeTime(double dateTime);
// The date-times of years 1 to 9999 (1 January 1 to the end of
// 31 December 9999), in days since 30 December 1899.
inline constexpr double kMinDateTime = -693593.0;
inline constexpr double kMaxDateTime = 2958466.0;  // excluded
// Throws EVariantError "'TEXT' is not a valid date and time" outside them.
void CheckDateTimeRange(double dateTime);
// 1 = Sunday .. 7 = Saturday. Throws as CheckDateTimeRange.
int DayOfWeek(double dateTime);

// Reads a date in the order of the process short date format (day, month,
// year in any order, separated by the date separator or any non-digit).
// A two-digit year is taken within 50 years of 2000. Throws EVariantError
// "'TEXT' is not a valid date".
double StrToDate(std::string_view text);
// Reads h[:n[:s]] with an optional AM/PM suffix. Throws EVariantError
// "'TEXT' is not a valid time".
double StrToTime(std::string_view text);
// A date, optionally followed by a time. Throws EVariantError
// "'TEXT' is not a valid date and time".
double StrToDateTime(std::string_view text);

}  // namespace lf
