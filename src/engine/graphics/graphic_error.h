// EInvalidGraphic, the error of picture data that cannot be read, and the
// limits every picture reader holds its input to.
#pragma once

#include <cstdint>
#include <string>

#include "platform/exception.h"

namespace lf {

// A file, field or template record that cannot be read as a picture.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// Largest image any reader decodes, in pixels (width x height); a picture
// above it is refused instead of exhausting memory.
inline constexpr int64_t kMaxPicturePixels = 100'000'000;

// Raises EInvalidGraphic "not a valid <what>" for a zero or negative side
// and "image of W x H pixels is larger than the limit of 100000000 pixels"
// above kMaxPicturePixels.
void CheckPictureSize(int64_t width, int64_t height, const char* what);

}  // namespace lf
