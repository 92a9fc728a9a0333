// Icon files: a directory of images, of which the largest is decoded.
#include "engine/graphics/icon_decoder.h"

#include <cstdint>

#include "engine/graphics/byte_reader.h"
#include "engine/graphics/dib_decoder.h"

namespace lf {

QImage ReadIcon(std::string_view data) {
  ByteReader r(data, "icon image");
  // directory = reserved(0) type(1) count { width height colours reserved planes bpp size offset }
  if (r.U16() != 0 || r.U16() != 1) r.Fail();
  const uint16_t count = r.U16();
  if (count == 0 || count > kMaxIconImages) r.Fail();
  int best = -1;
  int64_t bestArea = -1;
  int bestBits = -1;
  uint32_t bestSize = 0, bestOffset = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t storedWidth = r.U8(), storedHeight = r.U8();  // 0 stands for 256
    const int w = storedWidth == 0 ? 256 : storedWidth;
    const int h = storedHeight == 0 ? 256 : storedHeight;
    r.Skip(4);  // colours, reserved, planes
    const int bits = r.U16();
    const uint32_t size = r.U32();
    const uint32_t offset = r.U32();
    if (offset > data.size() || size > data.size() - offset) continue;
    const int64_t area = int64_t{w} * h;
    if (area > bestArea || (area == bestArea && bits > bestBits)) {
      best = i;
      bestArea = area;
      bestBits = bits;
      bestSize = size;
      bestOffset = offset;
    }
  }
  if (best < 0) r.Fail();
  const std::string_view image = data.substr(bestOffset, bestSize);
  if (image.size() >= 8 && image.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) {
    QImage png;
    // The size is checked before anything is decoded: width and height
    // are the first fields of the header chunk.
    ByteReader p(image, "icon image");
    p.Seek(16);
    const uint32_t pw = static_cast<uint32_t>(p.U8()) << 24 | static_cast<uint32_t>(p.U8()) << 16 |
                        static_cast<uint32_t>(p.U8()) << 8 | p.U8();
    const uint32_t ph = static_cast<uint32_t>(p.U8()) << 24 | static_cast<uint32_t>(p.U8()) << 16 |
                        static_cast<uint32_t>(p.U8()) << 8 | p.U8();
    CheckPictureSize(pw, ph, "icon image");
    if (!png.loadFromData(reinterpret_cast<const uchar*>(image.data()), static_cast<int>(image.size()), "PNG"))
      r.Fail();
    return png.convertToFormat(QImage::Format_ARGB32);
  }
  try {
    return ReadIconDib(image);
  } catch (const EInvalidGraphic& e) {
    if (std::string_view(e.what()).starts_with("image of")) throw;
    r.Fail();
  }
}

}  // namespace lf
