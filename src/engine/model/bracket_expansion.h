// Bracket expansion of object texts: every top-level [expression] of a line
// replaced by the display text of its value, with inline display formats.
#pragma once

#include <string>
#include <string_view>

namespace lf {

// Replaces each top-level bracket pair of line, with its content, by
// ResolveBracket of the content; inserted text is not scanned again. A [
// without its ] takes the rest of the line (the expression then ends before
// the line's last character).
std::string ExpandBrackets(std::string_view line);

// The display text of one bracket's inner text: an optional inline format
// after " #" (N/digits numbers, B booleans, D/T dates, else a pattern for
// the current object's format), the value from the current report's value
// chain (also remembered as VALUE), HideZeros of the current object, then
// FormatDisplayValue; empty during the aggregate registration pass.
std::string ResolveBracket(std::string_view text);

}  // namespace lf
