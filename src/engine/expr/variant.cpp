// Variant conversions, arithmetic and comparison.
#include "engine/expr/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/expr/date_time.h"
#include "engine/expr/display_format.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

const char* KindTypeName(VariantKind k) {
  switch (k) {
    case VariantKind::vkEmpty: return "Empty";
    case VariantKind::vkNull: return "Null";
    case VariantKind::vkInteger: return "Integer";
    case VariantKind::vkDouble: return "Double";
    case VariantKind::vkCurrency: return "Currency";
    case VariantKind::vkDateTime: return "Date";
    case VariantKind::vkBoolean: return "Boolean";
    case VariantKind::vkText: return "String";
  }
  return "Unknown";
}

[[noreturn]] void CannotConvert(VariantKind from, const char* to) {
  throw EVariantError(std::string("Could not convert variant of type (") + KindTypeName(from) +
                      ") into type (" + to + ")");
}

bool ParseStrictDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  // Only plain decimal notation: no hex, no inf/nan words.
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  // from_chars reads "." whatever the C locale says; it takes no "+" sign.
  const char* begin = s.data();
  const char* end = begin + s.size();
  if (*begin == '+') {
    ++begin;
    if (begin == end || *begin == '-' || *begin == '+') return false;
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
  if (ec != std::errc() || ptr != end) return false;
  out = v;
  return true;
}

// The value times 10000 as the 64-bit integer a currency stores.
int64_t ScaledCurrency(double value) {
  double scaled = std::nearbyint(value * 10000.0);
  // 2^63 is exactly representable; every double below it converts.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw EVariantError("'" + DoubleToText(value) + "' is not a valid currency value");
  return static_cast<int64_t>(std::llround(value * 10000.0));
}

// Text value to number: the process decimal separator and "." both read as
// the decimal point.
double TextValueToDouble(const std::string& text) {
  std::string t = Trim(text);
  char dec = FormatSettings().DecimalSeparator;
  for (char& c : t)
    if (c == dec) c = '.';
  double v = 0;
  if (!ParseStrictDouble(t, v))
    throw EVariantError("'" + text + "' is not a valid floating point value");
  return v;
}

bool TextToBoolean(const std::string& text, bool& out) {
  std::string t = Trim(text);
  if (SameTextAscii(t, "True")) { out = true; return true; }
  if (SameTextAscii(t, "False")) { out = false; return true; }
  double v = 0;
  std::string n = t;
  if (ParseStrictDouble(n, v)) { out = v != 0; return true; }
  return false;
}

int Sign(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
template <typename T>
int SignOf(T a, T b) { return a < b ? -1 : (a > b ? 1 : 0); }

enum class NumClass { Integer, Currency, Double, DateTime };

// Numeric view of a value for arithmetic; texts read as doubles.
struct Num {
  NumClass cls;
  int64_t i = 0;
  double d = 0;
};

Num ToNum(const Variant& v) {
  switch (v.Kind()) {
    case VariantKind::vkEmpty: return {NumClass::Integer, 0, 0};
    case VariantKind::vkInteger: return {NumClass::Integer, v.AsInteger(), 0};
    case VariantKind::vkBoolean: return {NumClass::Integer, v.AsBoolean() ? -1 : 0, 0};
    case VariantKind::vkCurrency: return {NumClass::Currency, v.CurrencyScaledValue(), 0};
    case VariantKind::vkDouble: return {NumClass::Double, 0, v.AsDouble()};
    case VariantKind::vkDateTime: return {NumClass::DateTime, 0, v.AsDateTime()};
    case VariantKind::vkText: return {NumClass::Double, 0, v.AsDouble()};
    case VariantKind::vkNull: break;
  }
  CannotConvert(v.Kind(), "Double");
}

double NumDouble(const Num& n) {
  switch (n.cls) {
    case NumClass::Integer: return static_cast<double>(n.i);
    case NumClass::Currency: return static_cast<double>(n.i) / 10000.0;
    default: return n.d;
  }
}

enum class Op { Add, Sub, Mul };

Variant Arith(const Variant& a, const Variant& b, Op op) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  Num x = ToNum(a), y = ToNum(b);
  if (x.cls == NumClass::Integer && y.cls == NumClass::Integer) {
    int64_t r = 0;
    bool overflow = op == Op::Add   ? __builtin_add_overflow(x.i, y.i, &r)
                    : op == Op::Sub ? __builtin_sub_overflow(x.i, y.i, &r)
                                    : __builtin_mul_overflow(x.i, y.i, &r);
    if (!overflow) return Variant(r);
  }
  double dx = NumDouble(x), dy = NumDouble(y);
  double r = op == Op::Add ? dx + dy : op == Op::Sub ? dx - dy : dx * dy;
  bool dtx = x.cls == NumClass::DateTime, dty = y.cls == NumClass::DateTime;
  if (op == Op::Add && (dtx || dty) && !(dtx && dty)) return Variant::DateTime(r);
  if (op == Op::Sub && dtx && !dty) return Variant::DateTime(r);
  bool anyDouble = x.cls == NumClass::Double || y.cls == NumClass::Double || dtx || dty;
  if (!anyDouble && (x.cls == NumClass::Currency || y.cls == NumClass::Currency) &&
      std::fabs(r) < 9e14)
    return Variant::Currency(r);
  return Variant(r);
}

}  // namespace

const char* VariantKindName(VariantKind kind) {
  switch (kind) {
    case VariantKind::vkEmpty: return "empty";
    case VariantKind::vkNull: return "null";
    case VariantKind::vkInteger: return "integer";
    case VariantKind::vkDouble: return "double";
    case VariantKind::vkCurrency: return "currency";
    case VariantKind::vkDateTime: return "datetime";
    case VariantKind::vkBoolean: return "boolean";
    case VariantKind::vkText: return "text";
  }
  return "unknown";
}

Variant Variant::Null() {
  Variant v;
  v.kind_ = VariantKind::vkNull;
  return v;
}

Variant Variant::DateTime(double days) {
  Variant v;
  v.kind_ = VariantKind::vkDateTime;
  v.dbl_ = days;
  return v;
}

Variant Variant::Currency(double value) {
  return CurrencyScaled(ScaledCurrency(value));
}

Variant Variant::CurrencyScaled(int64_t scaled) {
  Variant v;
  v.kind_ = VariantKind::vkCurrency;
  v.int_ = scaled;
  return v;
}

bool Variant::IsNumber() const {
  return kind_ == VariantKind::vkInteger || kind_ == VariantKind::vkDouble ||
         kind_ == VariantKind::vkCurrency;
}

bool Variant::IsEmptyText() const { return IsEmpty() || (IsText() && text_.empty()); }

int64_t Variant::AsInteger() const {
  switch (kind_) {
    case VariantKind::vkEmpty: return 0;
    case VariantKind::vkInteger: return int_;
    case VariantKind::vkBoolean: return int_ ? -1 : 0;
    case VariantKind::vkCurrency: return RoundHalfEven(static_cast<double>(int_) / 10000.0);
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime:
      if (!std::isfinite(dbl_) || std::fabs(dbl_) > 9.2e18) CannotConvert(kind_, "Int64");
      return RoundHalfEven(dbl_);
    case VariantKind::vkText: {
      double v = TextValueToDouble(text_);
      if (std::fabs(v) > 9.2e18) CannotConvert(kind_, "Int64");
      return RoundHalfEven(v);
    }
    case VariantKind::vkNull: break;
  }
  CannotConvert(kind_, "Integer");
}

double Variant::AsDouble() const {
  switch (kind_) {
    case VariantKind::vkEmpty: return 0;
    case VariantKind::vkInteger: return static_cast<double>(int_);
    case VariantKind::vkBoolean: return int_ ? -1.0 : 0.0;
    case VariantKind::vkCurrency: return static_cast<double>(int_) / 10000.0;
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime: return dbl_;
    case VariantKind::vkText: return TextValueToDouble(text_);
    case VariantKind::vkNull: break;
  }
  CannotConvert(kind_, "Double");
}

bool Variant::AsBoolean() const {
  switch (kind_) {
    case VariantKind::vkEmpty: return false;
    case VariantKind::vkBoolean:
    case VariantKind::vkInteger:
    case VariantKind::vkCurrency: return int_ != 0;
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime: return dbl_ != 0;
    case VariantKind::vkText: {
      bool b = false;
      if (!TextToBoolean(text_, b)) CannotConvert(kind_, "Boolean");
      return b;
    }
    case VariantKind::vkNull: break;
  }
  CannotConvert(kind_, "Boolean");
}

std::string Variant::AsText() const {
  switch (kind_) {
    case VariantKind::vkEmpty:
    case VariantKind::vkNull: return {};
    case VariantKind::vkInteger: return std::to_string(int_);
    case VariantKind::vkBoolean: return int_ ? "True" : "False";
    case VariantKind::vkCurrency: {
      int64_t a = int_ < 0 ? -int_ : int_;
      std::string s = std::to_string(a / 10000);
      std::string frac = std::to_string(a % 10000 + 10000).substr(1);
      while (!frac.empty() && frac.back() == '0') frac.pop_back();
      if (!frac.empty()) s += FormatSettings().DecimalSeparator + frac;
      return int_ < 0 ? "-" + s : s;
    }
    case VariantKind::vkDouble: return DoubleToText(dbl_);
    case VariantKind::vkDateTime: {
      const TFormatSettings& fs = FormatSettings();
      double datePart = std::trunc(dbl_);
      bool midnight = dbl_ == datePart;
      if (midnight) return FormatDateTime(fs.ShortDateFormat, dbl_);
      if (datePart == 0) return FormatDateTime(fs.LongTimeFormat, dbl_);
      return FormatDateTime(fs.ShortDateFormat, dbl_) + " " +
             FormatDateTime(fs.LongTimeFormat, dbl_);
    }
    case VariantKind::vkText: return text_;
  }
  return {};
}

std::string Variant::AsTextStrict() const {
  if (IsNull()) CannotConvert(kind_, "String");
  return AsText();
}

double Variant::AsDateTime() const {
  if (kind_ == VariantKind::vkText) {
    try {
      return StrToDateTime(text_);
    } catch (const EVariantError&) {
      return TextValueToDouble(text_);
    }
  }
  if (kind_ == VariantKind::vkNull) CannotConvert(kind_, "Date");
  return AsDouble();
}

int64_t Variant::CurrencyScaledValue() const {
  if (kind_ == VariantKind::vkCurrency) return int_;
  return ScaledCurrency(AsDouble());
}

Variant Variant::Add(const Variant& rhs) const {
  if ((IsText() || IsEmpty()) && (rhs.IsText() || rhs.IsEmpty()) && (IsText() || rhs.IsText()))
  {
    CheckTextLength(text_.size() + rhs.text_.size());
    return Variant(text_ + rhs.text_);
  }
  return Arith(*this, rhs, Op::Add);
}

Variant Variant::Subtract(const Variant& rhs) const { return Arith(*this, rhs, Op::Sub); }

Variant Variant::Multiply(const Variant& rhs) const {
  Variant r = Arith(*this, rhs, Op::Mul);
  if (r.IsDateTime()) return Variant(r.dbl_);
  return r;
}

Variant Variant::Divide(const Variant& rhs) const {
  if (IsNull() || rhs.IsNull()) return Null();
  return Variant(AsDouble() / rhs.AsDouble());
}

Variant Variant::Negate() const {
  switch (kind_) {
    case VariantKind::vkNull: return Null();
    case VariantKind::vkEmpty: return Variant(0);
    case VariantKind::vkInteger:
      if (int_ == std::numeric_limits<int64_t>::min()) return Variant(-static_cast<double>(int_));
      return Variant(-int_);
    case VariantKind::vkBoolean: return Variant(int_ ? 1 : 0);
    case VariantKind::vkCurrency: return CurrencyScaled(-int_);
    case VariantKind::vkDateTime: return DateTime(-dbl_);
    case VariantKind::vkDouble: return Variant(-dbl_);
    case VariantKind::vkText: return Variant(-AsDouble());
  }
  return *this;
}

int Variant::Compare(const Variant& rhs) const {
  const Variant& a = *this;
  const Variant& b = rhs;
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  if (a.IsEmpty() && b.IsEmpty()) return 0;
  if (a.IsText() && b.IsText()) {
    int c = a.text_.compare(b.text_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.IsEmpty() && b.IsText()) return b.text_.empty() ? 0 : -1;
  if (b.IsEmpty() && a.IsText()) return a.text_.empty() ? 0 : 1;
  if (a.IsDateTime() || b.IsDateTime()) return Sign(a.AsDateTime(), b.AsDateTime());
  if (a.IsBoolean() && b.IsBoolean()) return SignOf<int>(a.int_ ? -1 : 0, b.int_ ? -1 : 0);
  if ((a.IsBoolean() && b.IsText()) || (b.IsBoolean() && a.IsText())) {
    bool x = a.AsBoolean(), y = b.AsBoolean();
    return SignOf<int>(x ? -1 : 0, y ? -1 : 0);
  }
  // Numbers (Empty counts 0, booleans -1/0, texts converted).
  bool ai = a.kind_ == VariantKind::vkInteger || a.IsBoolean() || a.IsEmpty();
  bool bi = b.kind_ == VariantKind::vkInteger || b.IsBoolean() || b.IsEmpty();
  if (ai && bi) return SignOf(a.AsInteger(), b.AsInteger());
  if (a.kind_ == VariantKind::vkCurrency && b.kind_ == VariantKind::vkCurrency)
    return SignOf(a.int_, b.int_);
  return Sign(a.AsDouble(), b.AsDouble());
}

bool Variant::SameAs(const Variant& rhs) const {
  if (kind_ != rhs.kind_) return false;
  switch (kind_) {
    case VariantKind::vkEmpty:
    case VariantKind::vkNull: return true;
    case VariantKind::vkDouble:
    case VariantKind::vkDateTime: return dbl_ == rhs.dbl_;
    case VariantKind::vkText: return text_ == rhs.text_;
    default: return int_ == rhs.int_;
  }
}

double TextToDouble(std::string_view text) {
  std::string t = Trim(text);
  for (char& c : t)
    if (c == ',') c = '.';
  double v = 0;
  if (!ParseStrictDouble(t, v))
    throw EVariantError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

std::string DoubleToText(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string s(buf, res.ptr);
  std::string out;
  size_t e = s.find('e');
  std::string mant = e == std::string::npos ? s : s.substr(0, e);
  for (char& c : mant)
    if (c == '.') c = FormatSettings().DecimalSeparator;
  out = mant;
  if (e != std::string::npos) {
    // e+15 -> E15, e-06 -> E-6
    std::string ex = s.substr(e + 1);
    bool neg = !ex.empty() && ex[0] == '-';
    size_t k = (!ex.empty() && (ex[0] == '-' || ex[0] == '+')) ? 1 : 0;
    while (k + 1 < ex.size() && ex[k] == '0') ++k;
    out += "E";
    if (neg) out += "-";
    out += ex.substr(k);
  }
  if (out == "-0") out = "0";
  return out;
}

int64_t RoundHalfEven(double v) {
  double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
  return static_cast<int64_t>(r);
}

}  // namespace lf
