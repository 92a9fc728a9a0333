// Conversion errors raised while resolving report datasets: a text that is
// not an integer, and a component of the wrong kind.
#pragma once

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace lf {

// "'TEXT' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// "Invalid class typecast".
class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kInvalidCastMessage = "Invalid class typecast";

// The decimal integer text reads as (an optional sign and digits, leading
// blanks allowed, within 32 bits); raises EConvertError otherwise.
int32_t TextToInteger(std::string_view text);

}  // namespace lf
