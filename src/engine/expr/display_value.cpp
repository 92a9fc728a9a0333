// Display formats of values: text, number, date, time and boolean kinds.
#include "engine/expr/display_value.h"

#include "engine/expr/display_format.h"
#include "engine/run/globals.h"
#include "platform/exception.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

bool IsBlank(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

std::string NumberText(double v, int kind, int decimals, std::string_view pattern) {
  switch (kind) {
    case 0: return FormatFloat("##0." + std::string(decimals, '#'), v);
    case 1: return FormatFloat("0." + std::string(decimals, '0'), v);
    case 2: return FormatFloat("#,##0." + std::string(decimals, '#'), v);
    case 3: return FormatFloat("#,##0." + std::string(decimals, '0'), v);
    default: return FormatFloat(pattern, v);
  }
}

// "false;true": 0 gives the part before the first ";", anything else the rest.
std::string BooleanText(const Variant& value, std::string_view texts) {
  const size_t semi = texts.find(';');
  const std::string_view no = texts.substr(0, semi);
  const std::string_view yes = semi == std::string_view::npos ? std::string_view() : texts.substr(semi + 1);
  return std::string(value.AsInteger() == 0 ? no : yes);
}

std::string TableEntry(const std::array<std::string, 4>& table, int kind) {
  return kind >= 0 && kind < 4 ? table[static_cast<size_t>(kind)] : std::string();
}

std::string Format(const Variant& value, int32_t code, std::string_view pattern) {
  const int kind = FormatKind(code);
  const TfrLocalizedTables& tables = Globals().Tables;
  switch (FormatCategory(code)) {
    case kFormatNumber:
      return NumberText(value.AsDouble(), kind, FormatDecimals(code), pattern);
    case kFormatDate:
      if (kind == kFormatCustomKind) return FormatDateTime(pattern, value.AsDateTime());
      if (kind == 3) return FormatDateTime(FormatSettings().LongDateFormat, value.AsDateTime());
      return FormatDateTime(TableEntry(tables.DateFormats, kind), value.AsDateTime());
    case kFormatTime:
      return FormatDateTime(kind == kFormatCustomKind ? std::string(pattern)
                                                      : TableEntry(tables.TimeFormats, kind),
                            value.AsDateTime());
    case kFormatBoolean:
      return BooleanText(value, kind == kFormatCustomKind ? std::string(pattern)
                                                          : TableEntry(tables.BooleanFormats, kind));
    default:
      return value.AsText();
  }
}

// Puts the process decimal separator back however formatting ends.
class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator) : saved_(FormatSettings().DecimalSeparator) {
    changed_ = separator != 0 && separator != saved_;
    if (changed_) SetDecimalSeparator(separator);
  }
  ~DecimalSeparatorScope() {
    if (changed_) SetDecimalSeparator(saved_);
  }
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

 private:
  char saved_;
  bool changed_ = false;
};

}  // namespace

std::string FormatDisplayValue(const Variant& value, int32_t code, std::string_view pattern) {
  if (value.IsEmpty() || value.IsNull()) return {};
  if (value.IsText() && IsBlank(value.AsText())) return {};
  DecimalSeparatorScope scope(FormatCategory(code) == kFormatNumber ? FormatSeparator(code) : 0);
  try {
    return Format(value, code, pattern);
  } catch (const std::exception&) {
    return value.AsText();
  }
}

}  // namespace lf
