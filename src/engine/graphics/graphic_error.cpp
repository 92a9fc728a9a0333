// The picture size checks shared by every reader.
#include "engine/graphics/graphic_error.h"

#include <algorithm>

namespace lf {
namespace {

// Pixels held by decoded pictures while this thread runs a shared decode.
thread_local int64_t g_pixelsHeld = 0;

}  // namespace

void CheckPictureSize(int64_t width, int64_t height, const char* what) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic(std::string("not a valid ") + what);
  const std::string size = "image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width > kMaxPicturePixels / height)
    throw EInvalidGraphic(size + " is larger than the limit of " + std::to_string(kMaxPicturePixels) + " pixels");
  if (width * height > DecodablePixels())
    throw EInvalidGraphic(size + " would make " + std::to_string(g_pixelsHeld + width * height) +
                          " decoded pixels at once, more than the limit of " + std::to_string(kMaxDecodedPixels));
}

int64_t DecodablePixels() { return std::min(kMaxPicturePixels, kMaxDecodedPixels - g_pixelsHeld); }

DecodeAllowance::DecodeAllowance(int64_t pixelsHeld) : previous_(g_pixelsHeld) { g_pixelsHeld = pixelsHeld; }

DecodeAllowance::~DecodeAllowance() { g_pixelsHeld = previous_; }

}  // namespace lf
