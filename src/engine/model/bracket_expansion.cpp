// Expanding [expressions] of object texts into display text.
#include "engine/model/bracket_expansion.h"

#include <cctype>

#include "engine/expr/display_value.h"
#include "engine/expr/text_scanners.h"
#include "engine/expr/variant.h"
#include "engine/functions/report_values.h"
#include "engine/model/view.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"

namespace lf {
namespace {

struct TInlineFormat {
  int32_t Code;
  std::string Pattern;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// number-format = ("N" | "n") rest | digit rest
// The last ",", "-" or "." (scanning back to the second character) is the
// decimal separator; it becomes "." in the pattern. "N" followed by a digit
// is fixed notation whose decimals are the digits after the separator;
// otherwise the rest is a custom number pattern.
TInlineFormat NumberFormat(std::string format) {
  if (IsDigit(format[0])) format.insert(format.begin(), 'N');
  const bool fixed = format.size() > 1 && IsDigit(format[1]);
  char separator = 0;
  int decimals = 0;
  for (size_t i = format.size() - 1; i >= 1; --i) {
    const char c = format[i];
    if (c == ',' || c == '-' || c == '.') {
      separator = c;
      format[i] = '.';
      if (fixed)
        for (size_t k = i + 1; k < format.size() && IsDigit(format[k]) && decimals < 255; ++k) ++decimals;
      break;
    }
  }
  if (fixed) return {MakeFormatCode(kFormatNumber, 1, decimals, separator), std::string()};
  return {MakeFormatCode(kFormatNumber, kFormatCustomKind, 0, separator), format.substr(1)};
}

// inline-format = expression " #" format
// Splits text at the first " #"; false when there is none.
bool SplitInlineFormat(std::string_view text, std::string_view& expression, std::string& format) {
  const size_t at = FindText(text, " #");
  if (at == std::string_view::npos) return false;
  expression = text.substr(0, at);
  format = std::string(text.substr(at + 2));
  return true;
}

void ApplyInlineFormat(const std::string& format, int32_t& code, std::string& pattern) {
  if (format.empty()) {
    pattern.clear();
    return;
  }
  const char first = format[0];
  if (IsDigit(first) || first == 'N' || first == 'n') {
    TInlineFormat f = NumberFormat(format);
    code = f.Code;
    pattern = std::move(f.Pattern);
  } else if (first == 'B' || first == 'b') {
    code = MakeFormatCode(kFormatBoolean, kFormatCustomKind, 0, 0);
    pattern = format.substr(1);
  } else if (first == 'D' || first == 'd' || first == 'T' || first == 't') {
    code = MakeFormatCode(kFormatDate, kFormatCustomKind, 0, 0);
    pattern = format.substr(1);
  } else {
    pattern = format;
  }
}

Variant ValueOf(const std::string& expression) {
  TfrEngineState& state = EngineState();
  Variant value = Variant::Null();
  if (state.CurReport) {
    ReportGetValue(*state.CurReport, expression, value);
  } else {
    TfrParser& parser = SharedParser();
    if (parser.ValueCallback) parser.ValueCallback(expression, value);
  }
  return value;
}

}  // namespace

std::string ResolveBracket(std::string_view text) {
  TfrEngineState& state = EngineState();
  state.ReentryName.clear();
  TfrView* view = state.CurView;
  int32_t code = view ? view->Format : DefaultViewFormat();
  std::string pattern = view ? view->FormatStr : std::string();

  std::string_view expression = text;
  std::string format;
  if (SplitInlineFormat(text, expression, format)) ApplyInlineFormat(format, code, pattern);

  state.CurVariable = std::string(expression);
  state.CurValue = Variant(0);
  Variant value = ValueOf(state.CurVariable);
  state.CurValue = value;

  if (view && view->HasFlag(flHideZeros) && !value.IsText()) {
    try {
      if (value.Equals(Variant(0))) value = Variant(std::string());
    } catch (const std::exception&) {
      // A value that does not compare with 0 stays as it is.
    }
  }
  if (state.AggregatesRegistering) return {};
  return FormatDisplayValue(value, code, pattern);
}

std::string ExpandBrackets(std::string_view line) {
  // Built in one pass: replacing in place would move the rest of a long
  // line once per bracket.
  std::string out;
  size_t from = 0;
  for (;;) {
    const size_t open = FindText(line, "[", from);
    if (open == std::string_view::npos) {
      out.append(line.substr(from));
      return out;
    }
    out.append(line.substr(from, open - from));
    size_t pos = open + 1;  // 1-based position of the [
    const std::string inner = ReadBracketed(line, pos);
    const size_t end = pos;  // 1-based position of the ] (or the last character)
    const std::string value = ResolveBracket(inner);
    CheckTextLength(out.size() + value.size() + (line.size() - end));
    out += value;
    from = end;
  }
}

}  // namespace lf
