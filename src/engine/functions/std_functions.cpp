// The standard and database function libraries.
#include "engine/functions/std_functions.h"

#include <unordered_map>

#include <QString>

#include "engine/functions/aggregates.h"
#include "engine/expr/display_format.h"
#include "engine/data/field_reference.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

enum StdFunction {
  fnAvg, fnCount, fnDayOf, fnFormatDateTime, fnFormatFloat, fnFormatText, fnInput,
  fnLength, fnLowerCase, fnMax, fnMaxNum, fnMessageBox, fnMin, fnMinNum, fnMonthOf,
  fnNameCase, fnPos, fnSum, fnTrim, fnUpperCase, fnYearOf,
};

Variant Eval(const Variant& source) { return SharedParser().Evaluate(source.AsText()); }
std::string EvalText(const Variant& source) { return Eval(source).AsText(); }
double EvalDate(const Variant& source) { return Eval(source).AsDateTime(); }

QString ToQt(const std::string& host) {
  std::u16string u = HostToUtf16(host);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}
std::string FromQt(const QString& s) {
  return Utf16ToHost(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                         static_cast<size_t>(s.size())));
}

// The text in upper or lower case, one character at a time. Qt grows the
// whole text once for every character whose case takes more characters
// (U+00DF upper-cases to "SS"), which is quadratic on a text full of them;
// the mapping takes no context, so per character it is the same.
QString MapCase(const QString& text, bool upper) {
  QString out;
  out.reserve(text.size());
  std::unordered_map<char32_t, QString> mapped;  // characters beyond ASCII met so far
  for (qsizetype i = 0; i < text.size();) {
    const QChar unit = text[i];
    if (unit.unicode() < 0x80) {
      out += upper ? unit.toUpper() : unit.toLower();
      ++i;
      continue;
    }
    char32_t c = unit.unicode();
    qsizetype units = 1;
    if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(unit, text[i + 1]);
      units = 2;
    }
    if (unit.isSurrogate() && units == 1) {
      out += unit;  // unpaired: kept as it is
    } else {
      auto it = mapped.find(c);
      if (it == mapped.end()) {
        const QString one = text.mid(i, units);
        it = mapped.emplace(c, upper ? one.toUpper() : one.toLower()).first;
      }
      out += it->second;
    }
    i += units;
  }
  return out;
}

// A date part written with pattern and read back as an integer.
Variant DatePart(const Variant& source, const char* pattern) {
  return Variant(static_cast<int64_t>(std::stoll(FormatDateTime(pattern, EvalDate(source)))));
}

}  // namespace

TfrStdFunctionLibrary::TfrStdFunctionLibrary() {
  Names = {"AVG",        "COUNT",   "DAYOF",   "FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT",
           "INPUT",      "LENGTH",  "LOWERCASE", "MAX",          "MAXNUM",      "MESSAGEBOX",
           "MIN",        "MINNUM",  "MONTHOF", "NAMECASE",       "POS",         "SUM",
           "TRIM",       "UPPERCASE", "YEAROF"};
}

void TfrStdFunctionLibrary::DescribeFunctions(TfrInstalledFunctions& r) {
  // Categories and description strings 55349..55416 carry no text, so
  // only the report information entries reach the registry.
  const char* groups[][8] = {
      {"AVG", "COUNT", "MAX", "MIN", "SUM"},
      {"DAYOF", "MONTHOF", "YEAROF", "STRTODATE", "STRTOTIME", "DATE", "TIME"},
  };
  int description = 55360;
  for (int g = 0; g < 2; ++g)
    for (const char* name : groups[g])
      if (name) Describe(r, name, 55349 + g, description++);
  for (const char* name : {"FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT", "LENGTH", "LOWERCASE",
                           "NAMECASE", "TRIM", "UPPERCASE", "POS", "COPY", "STR"})
    Describe(r, name, 55351, description++);
  for (const char* name : {"INPUT", "MESSAGEBOX", "IF", "PAGE#", "LINE#", "LINETHROUGH#",
                           "COLUMN#", "TOTALPAGES"})
    Describe(r, name, 55352, description++);
  for (const char* name : {"MAXNUM", "MINNUM", "MOD", "ROUND", "FRAC", "INT"})
    Describe(r, name, 55353, description++);
  for (const char* name : {"NOT", "AND", "OR", "TRUE", "FALSE"})
    Describe(r, name, 55354, description++);
  for (const char* name : {"MROK", "MRCANCEL", "CURY", "FREESPACE", "FINALPASS", "PAGEHEIGHT",
                           "PAGEWIDTH", "PROGRESS", "MODALRESULT", "STOPREPORT", "NEWPAGE",
                           "NEWCOLUMN", "SHOWBAND", "INC", "DEC"})
    Describe(r, name, 55355, description++);
  int info = 55623;
  for (const char* name : {"REPORTCOMMENT", "REPORTNAME", "REPORTAUTOR", "VMAJOR", "VMINOR",
                           "VRELEASE", "VBUILD", "REPORTDATE", "REPORTLASTCHANGE"})
    Describe(r, name, 55622, info++);
}

void TfrStdFunctionLibrary::Execute(int index, const Variant& p1, const Variant& p2,
                                    const Variant& p3, Variant& result) {
  result = Variant("0");
  const std::string a1 = p1.AsText(), a2 = p2.AsText(), a3 = p3.AsText();
  switch (index) {
    case fnAvg: AggregateFunction(akAvg, a1, a2, a3, result); break;
    case fnCount: AggregateFunction(akCount, a1, a2, a3, result); break;
    case fnMax: AggregateFunction(akMax, a1, a2, a3, result); break;
    case fnMin: AggregateFunction(akMin, a1, a2, a3, result); break;
    case fnSum: AggregateFunction(akSum, a1, a2, a3, result); break;
    case fnDayOf: result = DatePart(p1, "d"); break;
    case fnMonthOf: result = DatePart(p1, "m"); break;
    case fnYearOf: result = DatePart(p1, "yyyy"); break;
    case fnFormatDateTime: result = Variant(FormatDateTime(EvalText(p1), EvalDate(p2))); break;
    case fnFormatFloat: result = Variant(FormatFloat(EvalText(p1), Eval(p2).AsDouble())); break;
    case fnFormatText:
      result = Variant(FormatMaskText(EvalText(p1) + ";0; ", EvalText(p2)));
      break;
    case fnInput: result = Variant(InputBox("", EvalText(p1), EvalText(p2))); break;
    case fnLength: result = Variant(static_cast<int64_t>(CharCount(EvalText(p1)))); break;
    case fnLowerCase: result = Variant(FromQt(MapCase(ToQt(EvalText(p1)), false))); break;
    case fnUpperCase: result = Variant(FromQt(MapCase(ToQt(EvalText(p1)), true))); break;
    case fnNameCase: {
      QString s = MapCase(ToQt(EvalText(p1)), false);
      if (!s.isEmpty()) s[0] = s[0].toUpper();
      result = Variant(FromQt(s));
      break;
    }
    case fnMaxNum:
    case fnMinNum: {
      Variant a = Eval(p1), b = Eval(p2);
      int c = a.Compare(b);
      result = index == fnMaxNum ? (c > 0 ? a : b) : (c < 0 ? a : b);
      break;
    }
    case fnMessageBox: {
      std::string text = EvalText(p1), caption = EvalText(p2);
      int flags = static_cast<int>(Eval(p3).AsInteger());
      result = Variant(static_cast<int64_t>(ShowMessageBox(caption, text, flags)));
      break;
    }
    case fnPos: {
      std::string part = EvalText(p1), text = EvalText(p2);
      size_t at = part.empty() ? std::string::npos : FindText(text, part);
      result = Variant(at == std::string::npos
                           ? int64_t{0}
                           : static_cast<int64_t>(CharCount(std::string_view(text).substr(0, at)) + 1));
      break;
    }
    case fnTrim: result = Variant(Trim(EvalText(p1))); break;
    default: break;
  }
}

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary() { Names = {"FIELDISNULL"}; }

void TDatabaseFunctionLibrary::DescribeFunctions(TfrInstalledFunctions& registry) {
  Describe(registry, "FIELDISNULL", 55620, 55621);
}

void TDatabaseFunctionLibrary::Execute(int index, const Variant& p1, const Variant&,
                                       const Variant&, Variant& result) {
  result = Variant(0);
  if (index != 0) return;
  std::string reference = EvalText(p1);
  TClientDataSet* table = DefaultTable();
  std::string field = ResolveFieldReference(reference, table);
  if (!table) {
    result = Variant(true);
    return;
  }
  // An empty field name fails with the table's "Field '' not found".
  result = Variant(table->FieldNamed(field).IsNull());
}

std::string FormatMaskText(std::string_view mask, std::string_view text) {
  std::string out;
  size_t t = 0;
  int shift = 0;  // 1 upper, -1 lower
  for (size_t i = 0; i < mask.size(); ++i) {
    char m = mask[i];
    if (m == ';') break;
    if (m == '\\') {
      ++i;  // a literal: not part of the result
      continue;
    }
    if (m == '!') continue;
    if (m == '>') {
      shift = 1;
      continue;
    }
    if (m == '<') {
      if (i + 1 < mask.size() && mask[i + 1] == '>') {
        shift = 0;
        ++i;
      } else {
        shift = -1;
      }
      continue;
    }
    auto fits = [&](unsigned char c) {
      bool digit = c >= '0' && c <= '9';
      bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
      switch (m) {
        case '0': case '9': return digit;
        case '#': return digit || c == '+' || c == '-';
        case 'L': case 'l': return letter;
        case 'A': case 'a': return letter || digit;
        case 'C': case 'c': return true;
        default: return false;
      }
    };
    bool placeholder = std::string_view("09#LlAaCc").find(m) != std::string_view::npos;
    if (!placeholder) continue;  // literal
    if (t < text.size()) {
      size_t n = std::max<size_t>(1, CharLength(text, t));
      std::string ch(text.substr(t, n));
      t += n;
      if (n == 1 && fits(static_cast<unsigned char>(ch[0]))) {
        if (shift > 0) ch = AsciiUpper(ch);
        else if (shift < 0 && ch[0] >= 'A' && ch[0] <= 'Z') ch[0] = static_cast<char>(ch[0] + 32);
        out += ch;
      } else if (n > 1 && fits(0x80)) {
        out += ch;
      } else {
        out += ' ';
      }
    } else {
      out += ' ';
    }
  }
  return out;
}

}  // namespace lf
