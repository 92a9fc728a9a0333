// Device-independent bitmap decoding into 32-bit images.
#include "engine/graphics/dib_decoder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/graphics/byte_reader.h"

namespace lf {
namespace {

constexpr const char* kWhat = "bitmap image";

enum Compression : uint32_t { biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitfields = 3, biAlphaBitfields = 6 };

// Colour tables a bitmap may carry at most (16-bit indexes of the platform).
constexpr uint32_t kMaxColourTable = 65536;

struct DibHeader {
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;  // height < 0: rows stored top-down
  uint16_t bitCount = 0;
  uint32_t compression = biRGB;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool hasMasks = false;
  size_t masksBytes = 0;             // masks stored after a 40-byte header
  size_t paletteEntries = 0;
  size_t paletteEntrySize = 4;

  size_t InfoSize() const { return headerSize + masksBytes + paletteEntries * paletteEntrySize; }
  int64_t Rows() const { return height < 0 ? -height : height; }
};

// header = core-header (12 bytes) | info-header (40, 52, 56, 64, 108 or 124 bytes)
DibHeader ParseHeader(std::string_view info) {
  ByteReader r(info, kWhat);
  DibHeader h;
  h.headerSize = r.U32();
  if (h.headerSize == 12) {
    h.width = r.U16();
    h.height = r.U16();
    if (r.U16() != 1) r.Fail();
    h.bitCount = r.U16();
    h.paletteEntrySize = 3;
  } else if (h.headerSize >= 40 && h.headerSize <= 124) {
    h.width = r.I32();
    h.height = r.I32();
    r.U16();  // planes: writers are not strict about it
    h.bitCount = r.U16();
    h.compression = r.U32();
    r.Skip(12);  // image size, resolution
    h.colorsUsed = r.U32();
    r.U32();  // important colours
    if (h.compression == biBitfields || h.compression == biAlphaBitfields) {
      h.hasMasks = true;
      const int count = h.compression == biAlphaBitfields ? 4 : 3;
      if (h.headerSize == 40) h.masksBytes = static_cast<size_t>(count) * 4;
      else r.Seek(40);
      for (int i = 0; i < count; ++i) h.masks[i] = r.U32();
      if (h.headerSize >= 56 && count == 3) h.masks[3] = r.U32();
    }
    r.Seek(h.headerSize);
  } else {
    r.Fail();
  }
  switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: r.Fail();
  }
  const bool rle = h.compression == biRLE8 || h.compression == biRLE4;
  if (h.compression == biRLE8 && h.bitCount != 8) r.Fail();
  if (h.compression == biRLE4 && h.bitCount != 4) r.Fail();
  if (h.hasMasks && h.bitCount != 16 && h.bitCount != 32) r.Fail();
  if (!rle && !h.hasMasks && h.compression != biRGB) r.Fail();
  if (rle && h.height < 0) r.Fail();
  CheckPictureSize(h.width, h.Rows(), kWhat);
  if (h.colorsUsed > kMaxColourTable) r.Fail();
  if (h.bitCount <= 8)
    h.paletteEntries = h.colorsUsed != 0 ? h.colorsUsed : (size_t{1} << h.bitCount);
  else
    h.paletteEntries = h.colorsUsed;
  if (h.InfoSize() > info.size()) r.Fail();
  return h;
}

std::vector<QRgb> ReadPalette(const DibHeader& h, std::string_view info) {
  std::vector<QRgb> palette(256, qRgb(0, 0, 0));
  if (h.bitCount > 8) return palette;
  const size_t start = h.headerSize + h.masksBytes;
  const size_t n = std::min<size_t>(h.paletteEntries, 256);
  for (size_t i = 0; i < n; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(info.data() + start + i * h.paletteEntrySize);
    palette[i] = qRgb(p[2], p[1], p[0]);
  }
  return palette;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    const uint32_t bits = std::popcount(m >> shift);
    max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  }
  int Get(uint32_t px, int none) const {
    if (mask == 0 || max == 0) return none;
    return static_cast<int>((static_cast<uint64_t>((px & mask) >> shift) * 255 + max / 2) / max);
  }
};

// Run-length coded rows into one palette index per pixel (bottom-up order).
std::vector<uint8_t> DecodeRle(const DibHeader& h, std::string_view bits) {
  const int64_t w = h.width, rows = h.Rows();
  std::vector<uint8_t> idx(static_cast<size_t>(w * rows), 0);
  int64_t x = 0, y = 0;
  size_t i = 0;
  const auto byte = [&](size_t at) { return static_cast<uint8_t>(bits[at]); };
  const auto put = [&](uint8_t v) {
    if (x < w && y < rows) idx[static_cast<size_t>(y * w + x)] = v;
    ++x;
  };
  const bool four = h.compression == biRLE4;
  while (i + 1 < bits.size() && y < rows) {
    const uint8_t count = byte(i), value = byte(i + 1);
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count && x < w; ++k) put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (i + 1 >= bits.size()) break;
      x += byte(i);
      y += byte(i + 1);
      i += 2;
    } else {  // absolute run, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > bits.size()) break;
      for (int k = 0; k < value; ++k) {
        const uint8_t b = byte(i + (four ? k / 2 : k));
        put(four ? ((k & 1) ? b & 0x0F : b >> 4) : b);
      }
      i += bytes + (bytes & 1);
    }
  }
  return idx;
}

// Decodes rows of h from bits into image rows [0, rows). The rows of an
// icon image are half of its stored height.
QImage DecodeRows(const DibHeader& h, std::string_view info, std::string_view bits, int64_t rows,
                  QImage::Format format) {
  const int64_t w = h.width;
  const bool rle = h.compression == biRLE8 || h.compression == biRLE4;
  if (rle && w * rows > kMaxRlePixelsPerByte * static_cast<int64_t>(bits.size()))
    throw EInvalidGraphic("not a valid bitmap image");
  QImage image(static_cast<int>(w), static_cast<int>(rows), format);
  if (image.isNull()) throw EInvalidGraphic("not enough memory for the image");
  const std::vector<QRgb> palette = ReadPalette(h, info);
  const bool topDown = h.height < 0;

  if (rle) {
    const std::vector<uint8_t> idx = DecodeRle(h, bits);
    for (int64_t y = 0; y < rows; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(rows - 1 - y)));
      for (int64_t x = 0; x < w; ++x) line[x] = palette[idx[static_cast<size_t>(y * w + x)]];
    }
    return image;
  }

  const int64_t stride = ((w * h.bitCount + 31) / 32) * 4;
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(rows) > bits.size())
    throw EInvalidGraphic("not a valid bitmap image");
  uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
  if (!h.hasMasks) {
    if (h.bitCount == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (h.bitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  for (int64_t y = 0; y < rows; ++y) {
    const auto* src = reinterpret_cast<const uint8_t*>(bits.data() + y * stride);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(topDown ? y : rows - 1 - y)));
    for (int64_t x = 0; x < w; ++x) {
      switch (h.bitCount) {
        case 1: line[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: line[x] = palette[(x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4]; break;
        case 8: line[x] = palette[src[x]]; break;
        case 24: line[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]); break;
        case 16:
        case 32: {
          uint32_t px = h.bitCount == 16 ? uint32_t(src[x * 2] | (src[x * 2 + 1] << 8))
                                         : uint32_t(src[x * 4] | (src[x * 4 + 1] << 8) |
                                                    (src[x * 4 + 2] << 16) | (uint32_t(src[x * 4 + 3]) << 24));
          line[x] = qRgba(red.Get(px, 0), green.Get(px, 0), blue.Get(px, 0), alpha.Get(px, 255));
          break;
        }
      }
    }
  }
  return image;
}

}  // namespace

size_t DibInfoSize(std::string_view info) { return ParseHeader(info).InfoSize(); }

QImage ReadDib(std::string_view info, std::string_view bits) {
  const DibHeader h = ParseHeader(info);
  // Alpha only where a mask says so: 32-bit bitmaps keep garbage in the
  // fourth byte and are drawn opaque.
  const bool alpha = h.hasMasks && h.masks[3] != 0;
  QImage image = DecodeRows(h, info, bits, h.Rows(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  return image;
}

QImage ReadPackedDib(std::string_view dib) {
  const size_t n = DibInfoSize(dib);
  return ReadDib(dib.substr(0, n), dib.substr(n));
}

QImage ReadBitmapFile(std::string_view data) {
  ByteReader r(data, kWhat);
  if (r.U8() != 'B' || r.U8() != 'M') r.Fail();
  r.Skip(8);  // file size (often wrong), reserved
  const uint32_t offBits = r.U32();
  const std::string_view dib = data.substr(14);
  const size_t infoSize = DibInfoSize(dib);
  // Files whose bits offset points inside the info block are read as packed.
  const size_t bitsAt = offBits >= 14 + infoSize && offBits <= data.size() ? offBits : 14 + infoSize;
  return ReadDib(dib.substr(0, infoSize), data.substr(bitsAt));
}

QImage ReadIconDib(std::string_view dib) {
  const DibHeader h = ParseHeader(dib);
  const int64_t rows = h.Rows() / 2;
  if ((h.compression != biRGB && !h.hasMasks) || h.height < 0 || rows <= 0)
    throw EInvalidGraphic("not a valid icon image");
  const std::string_view bits = dib.substr(h.InfoSize());
  QImage image = DecodeRows(h, dib, bits, rows, QImage::Format_ARGB32);
  const int64_t w = h.width;
  const int64_t colourStride = ((w * h.bitCount + 31) / 32) * 4;
  const auto line = [&](int64_t y) { return reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(rows - 1 - y))); };
  if (h.bitCount == 32 && !h.hasMasks) {
    // The fourth byte is alpha in icons; when every one is zero, the
    // transparency mask decides instead.
    bool anyAlpha = false;
    for (int64_t y = 0; y < rows; ++y) {
      const auto* src = reinterpret_cast<const uint8_t*>(bits.data() + y * colourStride);
      QRgb* out = line(y);
      for (int64_t x = 0; x < w; ++x) {
        out[x] = (out[x] & 0x00FFFFFFu) | (uint32_t(src[x * 4 + 3]) << 24);
        anyAlpha = anyAlpha || src[x * 4 + 3] != 0;
      }
    }
    if (anyAlpha) return image;
  }
  const int64_t maskStride = ((w + 31) / 32) * 4;
  const size_t maskAt = static_cast<size_t>(colourStride * rows);
  const bool hasMask = maskAt + static_cast<size_t>(maskStride * rows) <= bits.size();
  for (int64_t y = 0; y < rows; ++y) {
    QRgb* out = line(y);
    const auto* mask = hasMask ? reinterpret_cast<const uint8_t*>(bits.data() + maskAt + y * maskStride) : nullptr;
    for (int64_t x = 0; x < w; ++x) {
      const bool transparent = mask && ((mask[x >> 3] >> (7 - (x & 7))) & 1);
      out[x] = transparent ? 0 : (out[x] | 0xFF000000u);
    }
  }
  return image;
}

}  // namespace lf
