// Comparing page images drawn by two paths (the PNG output, and a PDF page
// rasterized by pdftoppm): the share of ink that has no ink near it in
// the other image, so antialiasing and one-pixel moves do not count.
#pragma once

#include <QImage>

#include <algorithm>
#include <cstdlib>

namespace lf::test {

// Pixels darker than this (0-255 grey) are ink.
inline constexpr int kInkGrey = 160;
// Ink this many pixels away (horizontally, vertically) still counts as there.
inline constexpr int kInkReach = 2;
// Pages match when at most this share of their ink has no counterpart.
inline constexpr double kInkTolerance = 0.02;

// Share of the ink pixels of a and b (compared over their common size)
// that find no ink pixel of the other within kInkReach; 0 for two blank pages.
inline double InkMismatch(const QImage& a, const QImage& b) {
  const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
  const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
  const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
  auto ink = [&](const QImage& g, int x, int y) { return g.constScanLine(y)[x] < kInkGrey; };
  auto near = [&](const QImage& g, int x, int y) {
    for (int yy = std::max(0, y - kInkReach); yy <= std::min(h - 1, y + kInkReach); ++yy)
      for (int xx = std::max(0, x - kInkReach); xx <= std::min(w - 1, x + kInkReach); ++xx)
        if (ink(g, xx, yy)) return true;
    return false;
  };
  long inked = 0, lonely = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (ink(ga, x, y)) {
        ++inked;
        if (!near(gb, x, y)) ++lonely;
      }
      if (ink(gb, x, y)) {
        ++inked;
        if (!near(ga, x, y)) ++lonely;
      }
    }
  return inked == 0 ? 0 : static_cast<double>(lonely) / static_cast<double>(inked);
}

}  // namespace lf::test
