// Variant: the tagged value that expressions, scripts, fields, aggregates and
// object properties exchange, with its conversion and comparison rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exception.h"

namespace lf {

// A value that cannot be converted to the kind asked for (a text that is not
// a number, Null read as a number, a date text that does not parse). The
// message names the offending text.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// The longest text a computation may make (64 MiB): a script that doubles a
// text in a loop fails with "Text longer than 67108864 bytes" instead of
// exhausting memory before its time-out can act.
inline constexpr size_t kMaxTextValueBytes = size_t{64} << 20;
inline std::string TextTooLongMessage() {
  return "Text longer than " + std::to_string(kMaxTextValueBytes) + " bytes";
}
// Raises EVariantError with TextTooLongMessage for a text of more bytes than
// kMaxTextValueBytes.
inline void CheckTextLength(size_t bytes) {
  if (bytes > kMaxTextValueBytes) throw EVariantError(TextTooLongMessage());
}

enum class VariantKind {
  vkEmpty,     // nothing supplied
  vkNull,      // a name with no value
  vkInteger,   // 64-bit signed integer
  vkDouble,    // IEEE double
  vkCurrency,  // fixed point, 4 decimals (stored scaled by 10000)
  vkDateTime,  // days since 30 December 1899; the fraction is the time of day
  vkBoolean,
  vkText,      // bytes in the host code page
};

// Name of a kind as the command line prints it: "empty", "null", "integer",
// "double", "currency", "datetime", "boolean", "text".
const char* VariantKindName(VariantKind kind);

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(int v) : kind_(VariantKind::vkInteger), int_(v) {}
  Variant(int64_t v) : kind_(VariantKind::vkInteger), int_(v) {}
  Variant(double v) : kind_(VariantKind::vkDouble), dbl_(v) {}
  Variant(bool v) : kind_(VariantKind::vkBoolean), int_(v ? 1 : 0) {}
  Variant(std::string v) : kind_(VariantKind::vkText), text_(std::move(v)) {}
  Variant(std::string_view v) : kind_(VariantKind::vkText), text_(v) {}
  Variant(const char* v) : kind_(VariantKind::vkText), text_(v) {}

  static Variant Null();
  static Variant DateTime(double days);
  // Currency from a double, rounded to 4 decimals.
  static Variant Currency(double v);
  // Currency from its scaled representation (value * 10000).
  static Variant CurrencyScaled(int64_t scaled);

  VariantKind Kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == VariantKind::vkEmpty; }
  bool IsNull() const { return kind_ == VariantKind::vkNull; }
  bool IsText() const { return kind_ == VariantKind::vkText; }
  bool IsBoolean() const { return kind_ == VariantKind::vkBoolean; }
  bool IsDateTime() const { return kind_ == VariantKind::vkDateTime; }
  // Integer, double or currency.
  bool IsNumber() const;
  // Empty, or text of length 0.
  bool IsEmptyText() const;

  // Conversions. Each throws EVariantError when the value cannot be read as
  // the kind asked for (Null except for AsText, text that is not a number).
  // Empty reads as 0 / empty text / false.
  int64_t AsInteger() const;  // doubles round to nearest, half to even
  double AsDouble() const;    // booleans read -1 / 0
  bool AsBoolean() const;
  // The text of a value: empty for Empty and Null, integers in decimal,
  // doubles in shortest general form (15 significant digits) with the
  // process decimal separator, date-times in the short date / time formats,
  // booleans as True / False.
  std::string AsText() const;
  // Bytes of the text of a text value (0 for other kinds), without a copy.
  size_t TextSize() const { return kind_ == VariantKind::vkText ? text_.size() : 0; }
  // Like AsText but Null is an error.
  std::string AsTextStrict() const;
  double AsDateTime() const;  // days
  int64_t CurrencyScaledValue() const;  // currency * 10000

  // Arithmetic with the engine's rules: "+" joins two texts, otherwise both
  // sides are numbers (a text side converted); a date-time plus or minus a
  // number stays a date-time, date-time minus date-time is a double. Null on
  // either side gives Null.
  Variant Add(const Variant& rhs) const;
  Variant Subtract(const Variant& rhs) const;
  Variant Multiply(const Variant& rhs) const;
  // Always a double; the caller checks for a zero divisor.
  Variant Divide(const Variant& rhs) const;
  Variant Negate() const;

  // -1, 0 or 1. Null equals Null and is less than every other value; a number
  // on one side compares both as numbers; two texts compare byte by byte,
  // letter case significant; booleans count -1 / 0 against numbers; a
  // date-time against a number or text compares as date-time; Empty counts as
  // 0 or as empty text, whatever the other side needs.
  int Compare(const Variant& rhs) const;
  bool Equals(const Variant& rhs) const { return Compare(rhs) == 0; }

  // Exact identity of kind and payload (for tests and caches).
  bool SameAs(const Variant& rhs) const;

 private:
  VariantKind kind_ = VariantKind::vkEmpty;
  int64_t int_ = 0;   // integer, boolean (0/1), currency (scaled)
  double dbl_ = 0.0;  // double, date-time
  std::string text_;
};

// Number text to double: "." and "," both read as the decimal point. Throws
// EVariantError naming the text when it is not a number.
double TextToDouble(std::string_view text);
// Shortest general form with up to 15 significant digits, using the process
// decimal separator.
std::string DoubleToText(double v);
// Round to nearest, a half to the even neighbour.
int64_t RoundHalfEven(double v);

}  // namespace lf
