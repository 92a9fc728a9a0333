// JPEG images through libjpeg: baseline and progressive, greyscale, colour
// and CMYK.
#pragma once

#include <string_view>

#include <QImage>

namespace lf {

// Scans a progressive image may have at most before it is refused.
inline constexpr int kMaxJpegScans = 1000;

// Decodes JPEG file bytes. Raises EInvalidGraphic "not a valid JPEG image"
// for anything libjpeg cannot read, and the size error above the pixel limit.
QImage ReadJpeg(std::string_view data);

}  // namespace lf
