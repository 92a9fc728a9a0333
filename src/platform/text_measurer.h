// TextMeasurer: text widths and font heights at 96 dots per inch, the same
// on every machine and output (hinting and kerning off), with a per-font
// cache of character advances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/canvas.h"

class QFont;

namespace lf {

// Font heights beyond this are measured and drawn at this height (pixels).
inline constexpr int32_t kMaxFontPixelHeight = 4096;
// Fonts whose advances the measurer keeps; past this the cache starts over.
inline constexpr size_t kMaxCachedFonts = 256;
// Characters whose advances and ink one font keeps; past this its cache starts over.
inline constexpr size_t kMaxCachedAdvances = 65536;

class TextMeasurer {
 public:
  TextMeasurer();
  ~TextMeasurer();
  TextMeasurer(const TextMeasurer&) = delete;
  TextMeasurer& operator=(const TextMeasurer&) = delete;

  // The process's measurer (created on first use; needs a QGuiApplication).
  static TextMeasurer& Shared();

  // Width of one line of host code-page text in font units of font
  // (PixelHeight is taken as pixels at 96 dpi, at least 1 and at most
  // kMaxFontPixelHeight); charSpacing is added after every character.
  // Orientation is ignored: a rotated text's length.
  int32_t Width(const CanvasFont& font, std::string_view text, int32_t charSpacing = 0);
  CanvasFontMetrics Metrics(const CanvasFont& font);
  // The box the glyphs of one line of text cover when drawn with the
  // top-left corner of the first character cell at (0, 0), rounded outwards
  // to whole pixels; underline and strike-out included. Empty when nothing
  // is inked (no text, only spaces). Orientation is ignored.
  CanvasRect InkBounds(const CanvasFont& font, std::string_view text, int32_t charSpacing = 0);
  // The same for text already in UTF-16.
  CanvasRect InkBounds(const CanvasFont& font, std::u16string_view utf16, int32_t charSpacing = 0);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The Qt font that draws and measures a template font: the family through
// the substitution table, pixel size, style, hinting and kerning off.
QFont MakeQFont(const CanvasFont& font);

// The installed family that stands in for a template's family name and
// character set (Arial -> Liberation Sans, 宋体 -> Noto Serif CJK SC, ...).
std::string SubstituteFamily(std::string_view hostName, uint8_t charset);
// The family that holds the characters of a character set (134 GB2312 ->
// Noto Sans CJK SC, 204 Cyrillic -> Liberation Sans, ...); MakeQFont puts it
// after the named family, so missing glyphs come from it.
std::string CharsetFamily(uint8_t charset);

}  // namespace lf
