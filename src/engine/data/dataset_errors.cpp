// Reading the integers of band data sources.
#include "engine/data/dataset_errors.h"

#include <cstdint>

namespace lf {

// integer = blank* ["+" | "-"] digit+
int32_t TextToInteger(std::string_view text) {
  auto fail = [&]() -> int32_t {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return fail();
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return fail();
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return fail();
  return static_cast<int32_t>(v);
}

}  // namespace lf
