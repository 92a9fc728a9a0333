// Process-wide number and date formatting settings: decimal separator, date
// and time separators and formats, month and day names. Initialised from the
// host locale on first use and settable (tests and commands pin them).
#pragma once

#include <array>
#include <string>

namespace lf {

// Formats are written in the engine's date-time pattern language (d, dd,
// m, mm, mmm, yy, yyyy, h, hh, n, nn, s, ss, am/pm, / and :). Names are
// bytes in the host code page.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Sunday first.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// Fixed settings independent of the host (the defaults above: US English
// with "/" and ":" separators and "." as decimal point).
TFormatSettings InvariantFormatSettings();
// Settings read from the host locale.
TFormatSettings HostFormatSettings();

// The process-wide settings; initialised from the host locale on first use.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);
void SetDecimalSeparator(char separator);

// Restores the process-wide settings on scope exit.
class ScopedFormatSettings {
 public:
  explicit ScopedFormatSettings(const TFormatSettings& settings);
  ~ScopedFormatSettings();
  ScopedFormatSettings(const ScopedFormatSettings&) = delete;
  ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

 private:
  TFormatSettings saved_;
};

}  // namespace lf
