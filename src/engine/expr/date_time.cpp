// Date-time arithmetic on days since 30 December 1899, and date/time texts.
#include "engine/expr/date_time.h"

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "engine/expr/variant.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

// Days from 1970-01-01 for a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

TDateParts CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : days[m - 1];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits digits runs; remembers whether anything besides digits and
// separators was present.
std::vector<int> NumberRuns(std::string_view text, size_t& consumedUntil) {
  std::vector<int> runs;
  size_t i = 0;
  while (i < text.size()) {
    if (IsDigit(text[i])) {
      int v = 0;
      size_t digits = 0;
      while (i < text.size() && IsDigit(text[i])) {
        if (++digits > 6) return {};
        v = v * 10 + (text[i++] - '0');
      }
      runs.push_back(v);
    } else {
      ++i;
    }
  }
  consumedUntil = i;
  return runs;
}

std::string Trimmed(std::string_view t) {
  size_t b = 0, e = t.size();
  while (b < e && static_cast<unsigned char>(t[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(t[e - 1]) <= ' ') --e;
  return std::string(t.substr(b, e - b));
}

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

[[noreturn]] void Fail(std::string_view text, const char* what) {
  throw EVariantError("'" + std::string(text) + "' is not a valid " + what);
}

bool ParseDate(std::string_view text, double& out) {
  const TFormatSettings& fs = FormatSettings();
  for (char c : text)
    if (!IsDigit(c) && c != fs.DateSeparator && c != '/' && c != '.' && c != '-' && c != ' ')
      return false;
  size_t end = 0;
  std::vector<int> runs = NumberRuns(text, end);
  if (runs.size() < 2 || runs.size() > 3) return false;
  // Order of the fields from the short date format.
  std::string order;
  for (char c : fs.ShortDateFormat) {
    char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
  }
  if (order.size() != 3) order = "mdy";
  int d = 0, m = 0, y = 0;
  if (runs.size() == 2) {
    // Day and month of the current year.
    std::string dm;
    for (char c : order)
      if (c != 'y') dm += c;
    (dm[0] == 'd' ? d : m) = runs[0];
    (dm[1] == 'd' ? d : m) = runs[1];
    y = CurrentYear();
  } else {
    for (size_t k = 0; k < 3; ++k) (order[k] == 'd' ? d : order[k] == 'm' ? m : y) = runs[k];
  }
  if (y < 100 && runs.size() == 3) {
    // Two-digit years within 50 years of 2000.
    y += y < 50 ? 2000 : 1900;
  }
  if (m < 1 || m > 12 || y < 1 || y > 9999 || d < 1 || d > DaysInMonth(y, m)) return false;
  out = EncodeDate(y, m, d);
  return true;
}

bool ParseTime(std::string_view text, double& out) {
  const TFormatSettings& fs = FormatSettings();
  std::string t = Trimmed(text);
  int pm = -1;  // -1 none, 0 am, 1 pm
  auto stripSuffix = [&](const std::string& suffix, int value) {
    if (suffix.empty() || t.size() < suffix.size()) return;
    if (SameTextAscii(std::string_view(t).substr(t.size() - suffix.size()), suffix)) {
      t = Trimmed(std::string_view(t).substr(0, t.size() - suffix.size()));
      pm = value;
    }
  };
  stripSuffix("AM", 0);
  if (pm < 0) stripSuffix("PM", 1);
  if (pm < 0) stripSuffix(fs.TimeAMString, 0);
  if (pm < 0) stripSuffix(fs.TimePMString, 1);
  if (t.empty()) return false;
  for (char c : t)
    if (!IsDigit(c) && c != fs.TimeSeparator && c != ':') return false;
  size_t end = 0;
  std::vector<int> runs = NumberRuns(t, end);
  if (runs.empty() || runs.size() > 3) return false;
  int h = runs[0], n = runs.size() > 1 ? runs[1] : 0, s = runs.size() > 2 ? runs[2] : 0;
  if (pm >= 0) {
    if (h < 1 || h > 12) return false;
    if (h == 12) h = 0;
    if (pm == 1) h += 12;
  }
  if (h > 23 || n > 59 || s > 59) return false;
  out = EncodeTime(h, n, s, 0);
  return true;
}

}  // namespace

double EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EVariantError("Invalid argument to date encode");
  return static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset);
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}

void CheckDateTimeRange(double dateTime) {
  // Years 1 to 9999: from 1 January 1 to the end of 31 December 9999.
  if (!(dateTime >= kMinDateTime && dateTime < kMaxDateTime))
    throw EVariantError("'" + DoubleToText(dateTime) + "' is not a valid date and time");
}

TDateParts DecodeDate(double dateTime) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3e6) return {};
  return CivilFromDays(static_cast<long long>(std::trunc(dateTime)) + kEpochOffset);
}

TTimeParts DecodeTime(double dateTime) {
  if (!std::isfinite(dateTime)) return {};
  double frac = std::fabs(dateTime - std::trunc(dateTime));
  long long ms = std::llround(frac * 86400000.0);
  if (ms >= 86400000) ms = 86399999;
  TTimeParts t;
  t.Hour = static_cast<int>(ms / 3600000);
  t.Minute = static_cast<int>(ms / 60000 % 60);
  t.Second = static_cast<int>(ms / 1000 % 60);
  t.Millisecond = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(double dateTime) {
  CheckDateTimeRange(dateTime);
  long long days = static_cast<long long>(std::trunc(dateTime));
  // 30 December 1899 was a Saturday.
  long long r = ((days + 6) % 7 + 7) % 7;
  return static_cast<int>(r) + 1;
}

double StrToDate(std::string_view text) {
  double v = 0;
  if (!ParseDate(Trimmed(text), v)) Fail(text, "date");
  return v;
}

double StrToTime(std::string_view text) {
  double v = 0;
  if (!ParseTime(text, v)) Fail(text, "time");
  return v;
}

double StrToDateTime(std::string_view text) {
  std::string t = Trimmed(text);
  double d = 0, tm = 0;
  if (ParseDate(t, d)) return d;
  size_t sp = t.find(' ');
  if (sp != std::string::npos && ParseDate(std::string_view(t).substr(0, sp), d) &&
      ParseTime(std::string_view(t).substr(sp + 1), tm))
    return d + tm;
  if (ParseTime(t, tm)) return tm;
  Fail(text, "date and time");
}

}  // namespace lf
