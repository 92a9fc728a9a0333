// Device-independent bitmaps: the bitmap file form and the packed form that
// icons and metafiles embed, at 1, 4, 8 (with colour tables), 16, 24 and 32
// bits per pixel, uncompressed, with bit-field masks or run-length coded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <QImage>

namespace lf {

// Pixels a run-length coded bitmap may have per byte of its coded data at
// most: a tiny file cannot ask for a huge image. A run codes at most 255
// pixels in two bytes, so real bitmaps stay near 128 even when blank.
inline constexpr int64_t kMaxRlePixelsPerByte = 256;

// A bitmap file ("BM" header, then the bitmap). Raises EInvalidGraphic.
QImage ReadBitmapFile(std::string_view data);

// A bitmap whose info block (header, masks, colour table) and pixel bits
// lie apart, as in metafile records. Raises EInvalidGraphic.
QImage ReadDib(std::string_view info, std::string_view bits);

// Bytes of the info block at the start of info (header, masks, colour
// table): where the bits of a packed bitmap begin. Raises EInvalidGraphic.
size_t DibInfoSize(std::string_view info);

// A packed bitmap: the info block immediately followed by the bits.
QImage ReadPackedDib(std::string_view dib);

// An icon image: a packed bitmap of twice the icon's height whose colour
// rows are followed by a 1-bit transparency mask. The result has alpha.
QImage ReadIconDib(std::string_view dib);

}  // namespace lf
