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

// Pixels of all decoded pictures held at once (pictures with the same bytes
// share one decoded image and count once); a decode that would pass it is
// refused before its pixels are allocated. Drawing them into a PDF takes
// about four times their 4 bytes a pixel: this keeps a run under 1 GB.
inline constexpr int64_t kMaxDecodedPixels = 50'000'000;

// Raises EInvalidGraphic "not a valid <what>" for a zero or negative side,
// "image of W x H pixels is larger than the limit of 100000000 pixels"
// above kMaxPicturePixels, and "image of W x H pixels would make N decoded
// pixels at once, more than the limit of 50000000" when the pictures held
// already leave less room than it needs.
void CheckPictureSize(int64_t width, int64_t height, const char* what);

// Largest picture a reader may decode now, in pixels.
int64_t DecodablePixels();

// While it lives, decoders may produce at most the pixels the budget of
// decoded pixels has left beside the given pixels held.
class DecodeAllowance {
 public:
  explicit DecodeAllowance(int64_t pixelsHeld);
  ~DecodeAllowance();
  DecodeAllowance(const DecodeAllowance&) = delete;
  DecodeAllowance& operator=(const DecodeAllowance&) = delete;

 private:
  int64_t previous_;
};

}  // namespace lf
