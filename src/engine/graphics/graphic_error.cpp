// The picture size check shared by every reader.
#include "engine/graphics/graphic_error.h"

namespace lf {

void CheckPictureSize(int64_t width, int64_t height, const char* what) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic(std::string("not a valid ") + what);
  if (width > kMaxPicturePixels / height)
    throw EInvalidGraphic("image of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels is larger than the limit of " + std::to_string(kMaxPicturePixels) +
                          " pixels");
}

}  // namespace lf
