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
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
  std::string sci(buf, res.ptr);
  bool negative = !sci.empty() && sci[0] == '-';
  if (negative) sci.erase(0, 1);
  size_t e = sci.find('e');
  std::string mantissa;
  for (size_t i = 0; i < e; ++i)
    if (sci[i] != '.') mantissa += sci[i];
  int exponent = std::atoi(sci.c_str() + e + 1);
  if (value == 0) exponent = 0;

  // Trailing zeros of the digits go; at least the first digit stays.
  size_t used = mantissa.find_last_not_of('0');
  std::string sig = used == std::string::npos ? "0" : mantissa.substr(0, used + 1);

  std::string out = negative ? "-" : "";
  if (exponent < -1 || exponent >= digits) {
    out += sig[0];
    out += '.';
    out.append(sig, 1, std::string::npos);
    out += 'e';
    out += exponent < 0 ? '-' : '+';
    std::string ex = std::to_string(std::abs(exponent));
    while (ex.size() < 3) ex.insert(0, "0");
    out += ex;
  } else if (exponent == -1) {
    out += "0.";
    out += sig;
  } else {
    size_t whole = static_cast<size_t>(exponent) + 1;
    if (sig.size() <= whole) {
      out += sig;
      out.append(whole - sig.size(), '0');
      out += '.';
    } else {
      out.append(sig, 0, whole);
      out += '.';
      out.append(sig, whole, std::string::npos);
    }
  }
  return out;
}

}  // namespace lf
