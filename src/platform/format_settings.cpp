// Process-wide formatting settings, read from the host locale through Qt.
#include "platform/format_settings.h"

#include <QLocale>
#include <QString>
#include <optional>

#include "platform/code_page.h"

namespace lf {
namespace {

std::optional<TFormatSettings>& Current() {
  static std::optional<TFormatSettings> settings;
  return settings;
}

std::string ToHost(const QString& s) { return Utf16ToHost(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size())); }

// Qt's date-time format letters to ours: M is the month, m the minute.
std::string ConvertQtFormat(const QString& qt) {
  std::string out;
  const QString f = qt;
  for (qsizetype i = 0; i < f.size();) {
    QChar c = f[i];
    qsizetype run = 1;
    while (i + run < f.size() && f[i + run] == c) ++run;
    char ch = c.toLatin1();
    switch (ch) {
      case 'd': out += std::string(std::min<qsizetype>(run, 4), 'd'); break;
      case 'M': out += std::string(std::min<qsizetype>(run, 4), 'm'); break;
      case 'y': out += run >= 3 ? "yyyy" : "yy"; break;
      case 'h': case 'H': out += run >= 2 ? "hh" : "h"; break;
      case 'm': out += run >= 2 ? "nn" : "n"; break;
      case 's': out += run >= 2 ? "ss" : "s"; break;
      case 'z': break;
      case 'A': case 'a': {
        out += "AMPM";
        if (i + run < f.size() && (f[i + run] == 'P' || f[i + run] == 'p')) ++run;
        break;
      }
      case 't': break;
      case '\'': {
        // Quoted literal.
        qsizetype j = i + 1;
        std::string lit;
        while (j < f.size() && f[j] != '\'') lit += ToHost(QString(f[j++]));
        out += "\"" + lit + "\"";
        run = j - i + 1;
        break;
      }
      default:
        for (qsizetype k = 0; k < run; ++k) out += ToHost(QString(c));
    }
    i += run;
  }
  // Trim trailing blanks left by dropped tokens.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

char FirstSeparator(const std::string& format, char fallback) {
  for (char c : format)
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && c != ' ' && c != '"') return c;
  return fallback;
}

// Our formats write separators as / and : so the settings can change them.
std::string GenericSeparators(std::string format, char dateSep, char timeSep, bool isDate) {
  for (char& c : format) {
    if (isDate && c == dateSep) c = '/';
    if (!isDate && c == timeSep) c = ':';
  }
  return format;
}

}  // namespace

TFormatSettings InvariantFormatSettings() { return TFormatSettings{}; }

TFormatSettings HostFormatSettings() {
  TFormatSettings s;
  QLocale loc = QLocale::system();
  if (loc.language() == QLocale::C) return s;
  std::string dec = ToHost(loc.decimalPoint());
  if (dec.size() == 1) s.DecimalSeparator = dec[0];
  std::string group = ToHost(loc.groupSeparator());
  s.ThousandSeparator = group.size() == 1 ? group[0] : ' ';
  std::string shortDate = ConvertQtFormat(loc.dateFormat(QLocale::ShortFormat));
  std::string longTime = ConvertQtFormat(loc.timeFormat(QLocale::LongFormat));
  std::string shortTime = ConvertQtFormat(loc.timeFormat(QLocale::ShortFormat));
  s.DateSeparator = FirstSeparator(shortDate, '/');
  s.TimeSeparator = FirstSeparator(shortTime, ':');
  s.ShortDateFormat = GenericSeparators(shortDate, s.DateSeparator, 0, true);
  s.LongDateFormat = ConvertQtFormat(loc.dateFormat(QLocale::LongFormat));
  s.ShortTimeFormat = GenericSeparators(shortTime, 0, s.TimeSeparator, false);
  s.LongTimeFormat = GenericSeparators(longTime, 0, s.TimeSeparator, false);
  s.TimeAMString = ToHost(loc.amText());
  s.TimePMString = ToHost(loc.pmText());
  for (int m = 1; m <= 12; ++m) {
    s.ShortMonthNames[m - 1] = ToHost(loc.monthName(m, QLocale::ShortFormat));
    s.LongMonthNames[m - 1] = ToHost(loc.monthName(m, QLocale::LongFormat));
  }
  for (int d = 0; d < 7; ++d) {
    int qtDay = d == 0 ? 7 : d;  // Qt counts Monday as 1 and Sunday as 7
    s.ShortDayNames[d] = ToHost(loc.dayName(qtDay, QLocale::ShortFormat));
    s.LongDayNames[d] = ToHost(loc.dayName(qtDay, QLocale::LongFormat));
  }
  return s;
}

const TFormatSettings& FormatSettings() {
  auto& cur = Current();
  if (!cur) cur = HostFormatSettings();
  return *cur;
}

void SetFormatSettings(const TFormatSettings& settings) { Current() = settings; }

void SetDecimalSeparator(char separator) {
  TFormatSettings s = FormatSettings();
  s.DecimalSeparator = separator;
  Current() = s;
}

ScopedFormatSettings::ScopedFormatSettings(const TFormatSettings& settings)
    : saved_(FormatSettings()) {
  SetFormatSettings(settings);
}

ScopedFormatSettings::~ScopedFormatSettings() { SetFormatSettings(saved_); }

}  // namespace lf
