// FormatDisplayValue: a value written by a display format code (category,
// kind, decimals, decimal separator) and, for custom kinds, a pattern.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/expr/variant.h"

namespace lf {

// Categories of a display format code (bits 24..27).
inline constexpr int kFormatText = 0;
inline constexpr int kFormatNumber = 1;
inline constexpr int kFormatDate = 2;
inline constexpr int kFormatTime = 3;
inline constexpr int kFormatBoolean = 4;
// The kind whose pattern comes from the format text.
inline constexpr int kFormatCustomKind = 4;

inline int FormatCategory(int32_t code) { return (code >> 24) & 0x0F; }
inline int FormatKind(int32_t code) { return (code >> 16) & 0xFF; }
inline int FormatDecimals(int32_t code) { return (code >> 8) & 0xFF; }
inline char FormatSeparator(int32_t code) { return static_cast<char>(code & 0xFF); }

// Empty, Null and blank text give empty text. Numbers are written with the
// code's decimal separator (the process one when the code holds none);
// dates, times and boolean kinds 0..3 use the localized tables. Any error
// while formatting gives the plain text of the value.
std::string FormatDisplayValue(const Variant& value, int32_t code, std::string_view pattern);

}  // namespace lf
