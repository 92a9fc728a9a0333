// The identity of a font as far as its glyphs and advances go: the key of
// the measurer's and the glyph cache's per-font tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lf {

// Not colour nor orientation: neither changes a glyph or its advance.
struct FontKey {
  std::string Name;
  int32_t PixelHeight;
  int Style;
  uint8_t Charset;
  bool operator==(const FontKey&) const = default;
};

struct FontKeyHash {
  size_t operator()(const FontKey& k) const {
    size_t h = std::hash<std::string>()(k.Name);
    h = h * 31 + static_cast<size_t>(k.PixelHeight);
    h = h * 31 + static_cast<size_t>(k.Style);
    return h * 31 + k.Charset;
  }
};

}  // namespace lf
