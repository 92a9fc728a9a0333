// _gcvt-style double text built from the correctly rounded decimal digits.
#include "data/double_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace lf {

std::string GcvtText(double value, int digits) {
  if (std::isnan(value)) return "-1.#IND";
  if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
  if (digits < 1) digits = 1;
  if (digits > 17) digits = 17;

  // d.dddde[+-]x from the locale-independent converter.
  char sci[64];
  char* end = std::to_chars(sci, sci + sizeof sci - 1, value, std::chars_format::scientific, digits - 1).ptr;
  *end = '\0';  // the exponent is read up to here
  const char* p = sci;
  bool negative = *p == '-';
  if (negative) ++p;
  char sig[32];  // the significant digits, trailing zeros dropped (at least one)
  int n = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') sig[n++] = *p;
  int exponent = std::atoi(p + 1);
  if (value == 0) exponent = 0;
  while (n > 1 && sig[n - 1] == '0') --n;

  char out[64];
  int o = 0;
  if (negative) out[o++] = '-';
  if (exponent < -1 || exponent >= digits) {
    out[o++] = sig[0];
    out[o++] = '.';
    for (int i = 1; i < n; ++i) out[o++] = sig[i];
    out[o++] = 'e';
    out[o++] = exponent < 0 ? '-' : '+';
    int e = exponent < 0 ? -exponent : exponent;
    out[o++] = static_cast<char>('0' + e / 100);
    out[o++] = static_cast<char>('0' + e / 10 % 10);
    out[o++] = static_cast<char>('0' + e % 10);
  } else if (exponent == -1) {
    out[o++] = '0';
    out[o++] = '.';
    for (int i = 0; i < n; ++i) out[o++] = sig[i];
  } else {
    int whole = exponent + 1;
    for (int i = 0; i < whole; ++i) out[o++] = i < n ? sig[i] : '0';
    out[o++] = '.';
    for (int i = whole; i < n; ++i) out[o++] = sig[i];
  }
  return std::string(out, static_cast<size_t>(o));
}

}  // namespace lf
