// Number and date-time pattern formatting.
#include "engine/expr/display_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/expr/date_time.h"
#include "engine/expr/variant.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

// printf-style %.*e / %.*f, but always with "." whatever the C locale says.
std::string CFormat(double v, std::chars_format fmt, int precision) {
  // Room for 309 integer digits, sign, point, exponent and the decimals.
  std::string buf(static_cast<size_t>(precision) + 330, '\0');
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, fmt, precision);
  buf.resize(res.ec == std::errc() ? static_cast<size_t>(res.ptr - buf.data()) : 0);
  return buf;
}

// ---- number patterns ----

// Splits at ";" outside quotes.
std::vector<std::string> SplitSections(std::string_view pattern) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : pattern) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

struct TNumberLayout {
  int intPlaceholders = 0;  // 0 and # before the point
  int minInt = 0;           // placeholders from the first 0 before the point
  int maxDecimals = 0;      // placeholders after the point
  int minDecimals = 0;      // up to the last 0 after the point
  bool thousands = false;
  bool hasPoint = false;
  bool scientific = false;
  bool expPlus = false;  // E+ writes the sign always
  int expDigits = 0;
};

TNumberLayout Analyze(std::string_view s) {
  TNumberLayout l;
  bool afterPoint = false, firstZero = false;
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (l.scientific) {
      if (c == '0' || c == '#') ++l.expDigits;
      continue;
    }
    switch (c) {
      case '\'': case '"': quote = c; break;
      case '0': case '#':
        if (afterPoint) {
          ++l.maxDecimals;
          if (c == '0') l.minDecimals = l.maxDecimals;
        } else {
          ++l.intPlaceholders;
          if (c == '0') firstZero = true;
          if (firstZero) ++l.minInt;
        }
        break;
      case '.':
        if (!afterPoint) afterPoint = l.hasPoint = true;
        break;
      case ',':
        if (!afterPoint) l.thousands = true;
        break;
      case 'E': case 'e':
        if (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
          l.scientific = true;
          l.expPlus = s[i + 1] == '+';
          ++i;
        }
        break;
      default: break;
    }
  }
  return l;
}

std::string GeneralForm(double v) { return DoubleToText(v); }

// The value with exactly decimals digits after the point, read from its 15
// significant decimal digits and rounded half away from zero (so 2.5 writes
// as 3 and 1.005 as 1.01, as the decimal text suggests).
void FixedDigits(double absValue, int decimals, std::string& intDigits, std::string& fracDigits) {
  std::string sci = CFormat(absValue, std::chars_format::scientific, 14);
  std::string digits;
  digits += sci[0];
  digits.append(sci, 2, 14);
  int exp = std::atoi(sci.c_str() + sci.find('e') + 1);
  if (absValue == 0) exp = 0;
  // digits d1..d15 stand for 0.d1d2... * 10^(exp + 1)
  int point = exp + 1;
  long keep = static_cast<long>(point) + decimals;
  std::string kept;
  if (keep < 0) {
    kept.clear();
  } else if (keep < static_cast<long>(digits.size())) {
    kept = digits.substr(0, static_cast<size_t>(keep));
    if (digits[static_cast<size_t>(keep)] >= '5') {
      int k = static_cast<int>(kept.size()) - 1;
      while (k >= 0 && kept[k] == '9') kept[k--] = '0';
      if (k >= 0) ++kept[k];
      else {
        kept.insert(kept.begin(), '1');
        ++point;
      }
    }
  } else {
    kept = digits + std::string(static_cast<size_t>(keep) - digits.size(), '0');
  }
  // Left-pad so that the point falls inside the digit string.
  if (point <= 0) {
    kept.insert(0, static_cast<size_t>(-point) + 1, '0');
    point = 1;
  }
  while (static_cast<int>(kept.size()) < point + decimals) kept += '0';
  intDigits = kept.substr(0, static_cast<size_t>(point));
  fracDigits = kept.substr(static_cast<size_t>(point), static_cast<size_t>(decimals));
  size_t nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "0" : intDigits.substr(nz);
}

std::string FormatSection(std::string_view s, double absValue, bool negative) {
  TNumberLayout l = Analyze(s);
  if (l.intPlaceholders == 0 && l.maxDecimals == 0 && !l.scientific) {
    // Literal-only section.
    std::string out;
    char quote = 0;
    for (char c : s) {
      if (quote) {
        if (c == quote) quote = 0; else out += c;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else {
        out += c;
      }
    }
    return (negative ? "-" : "") + out;
  }
  const TFormatSettings& fs = FormatSettings();
  std::string intDigits, fracDigits, expText;
  if (l.scientific) {
    int lead = std::max(1, l.intPlaceholders);
    int exp = 0;
    double mant = absValue;
    if (absValue != 0) {
      exp = static_cast<int>(std::floor(std::log10(absValue))) - (lead - 1);
      mant = absValue / std::pow(10.0, exp);
    }
    std::string m = CFormat(mant, std::chars_format::fixed, l.maxDecimals);
    // Rounding may carry into one more leading digit.
    size_t pt = m.find('.');
    size_t intLen = pt == std::string::npos ? m.size() : pt;
    if (static_cast<int>(intLen) > lead && absValue != 0) {
      ++exp;
      m = CFormat(absValue / std::pow(10.0, exp), std::chars_format::fixed, l.maxDecimals);
      pt = m.find('.');
    }
    intDigits = pt == std::string::npos ? m : m.substr(0, pt);
    fracDigits = pt == std::string::npos ? "" : m.substr(pt + 1);
    std::string ed = std::to_string(std::abs(exp));
    if (static_cast<int>(ed.size()) < l.expDigits) ed.insert(0, l.expDigits - ed.size(), '0');
    expText = (exp < 0 ? "-" : (l.expPlus ? "+" : "")) + ed;
  } else {
    if (absValue >= 1e300) return (negative ? "-" : "") + GeneralForm(absValue);
    FixedDigits(absValue, l.maxDecimals, intDigits, fracDigits);
    if (intDigits == "0") intDigits.clear();
  }
  while (static_cast<int>(fracDigits.size()) > l.minDecimals && !fracDigits.empty() &&
         fracDigits.back() == '0')
    fracDigits.pop_back();
  if (static_cast<int>(intDigits.size()) < l.minInt) intDigits.insert(0, l.minInt - intDigits.size(), '0');
  bool anyDigit = false;
  for (char c : intDigits + fracDigits)
    if (c != '0') anyDigit = true;
  std::string out;
  if (negative && anyDigit) out += '-';
  const int L = static_cast<int>(intDigits.size());
  int placeholder = 0;  // integer placeholders met so far
  int emitted = 0;      // integer digits written so far
  size_t fracIndex = 0;
  bool afterPoint = false, inExponent = false;
  auto emitIntDigit = [&](int k) {
    out += intDigits[k];
    ++emitted;
    int remaining = L - 1 - k;
    if (l.thousands && remaining > 0 && remaining % 3 == 0) out += fs.ThousandSeparator;
  };
  char quote = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0; else out += c;
      continue;
    }
    if (inExponent) {
      if (c == '0' || c == '#') continue;
      out += c;
      continue;
    }
    switch (c) {
      case '\'': case '"': quote = c; break;
      case '0': case '#':
        if (afterPoint) {
          if (fracIndex < fracDigits.size()) out += fracDigits[fracIndex++];
        } else {
          // The first placeholder takes every digit beyond the placeholders.
          int offset = L - l.intPlaceholders;
          if (placeholder == 0)
            for (int k = 0; k < offset; ++k) emitIntDigit(k);
          int k = offset + placeholder;
          if (k >= 0 && k < L) emitIntDigit(k);
          ++placeholder;
        }
        break;
      case '.':
        if (!afterPoint) {
          afterPoint = true;
          if (!fracDigits.empty()) out += fs.DecimalSeparator;
        }
        break;
      case ',':
        break;
      case 'E': case 'e':
        if (l.scientific && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
          out += c;
          out += expText;
          inExponent = true;
          ++i;
          break;
        }
        out += c;
        break;
      default:
        out += c;
    }
  }
  if (l.intPlaceholders == 0 && emitted < L) {
    // Pattern with no integer placeholder: the integer digits lead the point.
    std::string lead = intDigits.substr(static_cast<size_t>(emitted));
    size_t at = negative && anyDigit ? 1 : 0;
    out.insert(at, lead);
  }
  // Thousand separators make the text longer than its pattern.
  CheckTextLength(out.size());
  return out;
}

// ---- date-time patterns ----

struct TDateTimeWriter {
  const TFormatSettings& fs = FormatSettings();
  double value;
  TDateParts date;
  TTimeParts time;
  std::string out;
  int depth = 0;

  explicit TDateTimeWriter(double v) : value(v), date(DecodeDate(v)), time(DecodeTime(v)) {}

  static std::string Pad(int v, int width) {
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
  }

  void Guard() {
    if (out.size() > kMaxFormattedLength) throw EVariantError("Format result too long");
  }

  // True when the pattern holds an am/pm marker: hours are then 1..12.
  static bool HasAmPm(std::string_view p) {
    for (size_t i = 0; i + 1 < p.size(); ++i) {
      char a = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
      char b = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i + 1])));
      if (a == 'a' && (b == 'm' || b == '/')) return true;
    }
    return false;
  }

  void Write(std::string_view p) {
    if (++depth > 3) throw EVariantError("Format result too long");
    bool twelve = HasAmPm(p);
    bool lastWasHour = false;
    for (size_t i = 0; i < p.size();) {
      Guard();
      char c = p[i];
      char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      size_t run = 1;
      while (i + run < p.size() &&
             std::tolower(static_cast<unsigned char>(p[i + run])) == lc && lc >= 'a' && lc <= 'z')
        ++run;
      auto startsWith = [&](std::string_view w) {
        if (p.size() - i < w.size()) return false;
        for (size_t k = 0; k < w.size(); ++k)
          if (std::tolower(static_cast<unsigned char>(p[i + k])) != w[k]) return false;
        return true;
      };
      if (c == '\'' || c == '"') {
        size_t j = i + 1;
        while (j < p.size() && p[j] != c) out += p[j++];
        i = j + 1;
        continue;
      }
      if (c == '/') { out += fs.DateSeparator; ++i; continue; }
      if (c == ':') { out += fs.TimeSeparator; ++i; continue; }
      if (lc == 'a') {
        bool am = time.Hour < 12;
        if (startsWith("am/pm")) {
          std::string m = am ? "am" : "pm";
          if (c == 'A') m = am ? "AM" : "PM";
          out += m;
          i += 5;
        } else if (startsWith("a/p")) {
          out += c == 'A' ? (am ? "A" : "P") : (am ? "a" : "p");
          i += 3;
        } else if (startsWith("ampm")) {
          out += am ? fs.TimeAMString : fs.TimePMString;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        continue;
      }
      bool wasHour = false;
      switch (lc) {
        case 'c':
          Write(fs.ShortDateFormat);
          if (time.Hour || time.Minute || time.Second) {
            out += ' ';
            Write(fs.LongTimeFormat);
          }
          run = 1;
          break;
        case 'd':
          switch (run) {
            case 1: out += std::to_string(date.Day); break;
            case 2: out += Pad(date.Day, 2); break;
            case 3: out += fs.ShortDayNames[DayOfWeek(value) - 1]; break;
            case 4: out += fs.LongDayNames[DayOfWeek(value) - 1]; break;
            case 5: Write(fs.ShortDateFormat); break;
            default: run = 6; Write(fs.LongDateFormat); break;
          }
          break;
        case 'm':
          if (lastWasHour && run <= 2) {
            out += run == 1 ? std::to_string(time.Minute) : Pad(time.Minute, 2);
          } else {
            if (run > 4) run = 4;
            switch (run) {
              case 1: out += std::to_string(date.Month); break;
              case 2: out += Pad(date.Month, 2); break;
              case 3: out += fs.ShortMonthNames[date.Month - 1]; break;
              default: out += fs.LongMonthNames[date.Month - 1]; break;
            }
          }
          break;
        case 'y':
          if (run <= 2) out += Pad(date.Year % 100, 2);
          else out += Pad(date.Year, 4);
          break;
        case 'h': {
          if (run > 2) run = 2;
          int h = time.Hour;
          if (twelve) {
            h %= 12;
            if (h == 0) h = 12;
          }
          out += run == 1 ? std::to_string(h) : Pad(h, 2);
          wasHour = true;
          break;
        }
        case 'n':
          if (run > 2) run = 2;
          out += run == 1 ? std::to_string(time.Minute) : Pad(time.Minute, 2);
          break;
        case 's':
          if (run > 2) run = 2;
          out += run == 1 ? std::to_string(time.Second) : Pad(time.Second, 2);
          break;
        case 'z':
          if (run >= 3) { run = 3; out += Pad(time.Millisecond, 3); }
          else { run = 1; out += std::to_string(time.Millisecond); }
          break;
        case 't':
          if (run >= 2) { run = 2; Write(fs.LongTimeFormat); }
          else Write(fs.ShortTimeFormat);
          break;
        default:
          out.append(p.substr(i, run));
      }
      // "m" after an hour (with only a separator between) means minutes.
      if (wasHour) lastWasHour = true;
      else if (lc >= 'a' && lc <= 'z') lastWasHour = false;
      i += run;
    }
    --depth;
  }
};

}  // namespace

std::string FormatFloat(std::string_view pattern, double value) {
  if (pattern.empty() || !std::isfinite(value)) return GeneralForm(value);
  std::vector<std::string> sections = SplitSections(pattern);
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return FormatSection(sections[1], -value, false);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty())
    return FormatSection(sections[2], 0, false);
  return FormatSection(sections[0], std::fabs(value), value < 0);
}

std::string FormatDateTime(std::string_view pattern, double dateTime) {
  CheckDateTimeRange(dateTime);
  TDateTimeWriter w(dateTime);
  w.Write(pattern.empty() ? std::string_view("c") : pattern);
  return w.out;
}

}  // namespace lf
