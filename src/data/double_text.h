// Text of a double in the Windows C runtime's _gcvt form.
#pragma once

#include <string>

namespace lf {

// Significant digits the JSON writer uses for doubles.
constexpr int kJsonDoubleDigits = 15;

// The value rounded to `digits` significant digits (1..17) and written the
// way _gcvt writes it:
// - fixed notation when the decimal exponent x of the rounded value is
//   -1 <= x < digits, else d.ddde+XXX with a sign and at least three
//   exponent digits;
// - trailing zeros of the digits are dropped but the decimal point always
//   stays, so whole numbers end with "." ("12.", "0.", "1.e+020");
// - "1.#INF", "-1.#INF" and "-1.#IND" for infinities and not-a-number.
// Examples: 0.5 -> "0.5", 0.05 -> "5.e-002", 1e15 -> "1.e+015",
// 123456789012345 -> "123456789012345.".
std::string GcvtText(double value, int digits = kJsonDoubleDigits);

}  // namespace lf
