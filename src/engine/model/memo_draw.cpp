// TfrMemoView drawing: automatic width, text lines in every alignment,
// vertical text, justification, underlines and split measuring.
#include <algorithm>
#include <cmath>

#include "engine/model/memo_layout.h"
#include "engine/model/memo_view.h"
#include "engine/model/properties.h"
#include "engine/run/globals.h"
#include "platform/canvas.h"
#include "platform/code_page.h"
#include "platform/saturate.h"
#include "printer/printer_metrics.h"

namespace lf {
namespace {

bool HoldsText(const TfrLines& lines) {
  for (const std::string& l : lines)
    if (!l.empty()) return true;
  return false;
}

// The no-break space of the host code page (empty when it has none).
const std::string& NoBreakSpace() {
  static int codePage = -1;
  static std::string nbsp;
  if (HostCodePage().number != codePage) {
    codePage = HostCodePage().number;
    nbsp = Utf16ToHost(u"\u00A0");
    if (nbsp == "?") nbsp.clear();
  }
  return nbsp;
}

// Length of the space character (32 or the no-break space) at pos, or 0.
size_t SpaceAt(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  const std::string& nbsp = NoBreakSpace();
  if (!nbsp.empty() && text.compare(pos, nbsp.size(), nbsp) == 0 && CharLength(text, pos) == nbsp.size())
    return nbsp.size();
  return 0;
}

// Splits a line after each of its spaces: the pieces a justified line is
// drawn in. Returns the number of spaces.
int SplitAtSpaces(std::string_view text, std::vector<std::string_view>& pieces) {
  pieces.clear();
  int spaces = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t sp = SpaceAt(text, i);
    if (sp) {
      ++spaces;
      pieces.push_back(text.substr(start, i + sp - start));
      start = i + sp;
      i = start;
    } else {
      i += CharLength(text, i);
    }
  }
  pieces.push_back(text.substr(start));
  return spaces;
}

}  // namespace

int32_t TfrMemoView::CalcWidth(const TfrLines& lines) {
  std::string text = JoinLines(lines);
  text.erase(std::remove(text.begin(), text.end(), kParagraphMarker), text.end());
  CanvasFont font = MeasureFont();
  font.Orientation = 0;
  TfrAdvanceCache& advances = TfrAdvanceCache::For(font);
  int32_t widest = 0;
  for (const std::string& line : SplitLines(text))
    widest = std::max(widest, advances.TextWidth(line, CharSpacing));
  return RoundToNearestEven(widest + FrameWidth + 2.0 * GapX + 1);
}

void TfrMemoView::Draw(Canvas& canvas) {
  const bool vertical = (Alignment & frtaVertical) != 0;
  const bool hasText = HoldsText(WorkLines);
  const bool autoWidth = HasFlag(flAutoSize);
  if (autoWidth && hasText && EngineState().DocMode == kDocModePrinting) {
    const int32_t w = CalcWidth(WorkLines);
    if (vertical) {
      Height = w;
    } else {
      const int32_t h = HorizontalAlign(Alignment);
      if (h == frtaRight || h == frtaJustify) Left = SaturateToInt32(int64_t{Left} + Width - w);
      Width = w;
    }
  }

  DrawCanvas = &canvas;
  BeginDraw();
  struct End {
    TfrMemoView& v;
    ~End() { v.EndDraw(); }
  } end{*this};

  // Layout at scale 1 in the rectangle band alignment has just given.
  TfrLines lines;
  if (hasText) {
    TfrLines source = WorkLines;
    PreWrapped = HoldsMarker(source);
    if (PreWrapped && source.size() > 1 && source.back() == std::string(1, kParagraphMarker)) source.pop_back();
    struct SwapBack {
      TfrLines& a;
      TfrLines& b;
      ~SwapBack() { std::swap(a, b); }
    } swapBack{WorkLines, source};
    std::swap(WorkLines, source);
    Wrap(false, autoWidth ? kAutoWidthLayoutExtra : 0);
    lines = LayoutLines;
  }

  DrawBackground();
  DrawFrame();
  DrawUnderlines(canvas);
  DrawLines(canvas, lines);
}

namespace {

// Pixel height of the drawing font: size * 96 / 72 * vertical scale, rounded
// at scale 1 and truncated otherwise; on a printer from the point size.
int32_t DrawPixelHeight(int32_t size, double scaleY, const Canvas& canvas) {
  double h;
  if (canvas.IsPrinter()) h = std::round(size * canvas.DotsPerInch() / 72.0);
  else if (scaleY == 1.0) h = RoundHalfEven(size * 96.0 / 72.0);
  else h = std::trunc(size * 96.0 / 72.0 * scaleY);
  return static_cast<int32_t>(std::clamp(h, 1.0, 1e6));
}

// Whether a line whose glyphs lie inside band (device units, a line's step
// around its cell on each side) can show through the text's clip and the
// canvas's own; a recording canvas keeps every line inside the text's clip.
bool LineMayShow(Canvas& canvas, const CanvasRect& clip, const CanvasRect& band) {
  const CanvasRect inside{std::max(clip.Left, band.Left), std::max(clip.Top, band.Top),
                          std::min(clip.Right, band.Right), std::min(clip.Bottom, band.Bottom)};
  if (inside.Left >= inside.Right || inside.Top >= inside.Bottom) return false;
  return canvas.IsRecording() || canvas.RectVisible(inside);
}

}  // namespace

void TfrMemoView::DrawUnderlines(Canvas& canvas) {
  if (!HasFlag(flUnderlines)) return;
  const int32_t ph = DrawPixelHeight(std::clamp<int32_t>(Font.Size, 0, kMaxFontSize), ScaleY, canvas);
  const int32_t step = std::max<int32_t>(1, RoundToNearestEven(LineSpacing * ScaleY) + ph);
  const CanvasPen pen{RoundToNearestEven(FrameWidth), FrameColor, PenStyle::Solid};
  const int32_t count = std::min<int32_t>(Height / step, static_cast<int32_t>(kMaxLayoutLines));
  for (int32_t i = 0; i < count; ++i) {
    const int32_t y = Top + GapY + step * i + RoundToNearestEven(2 * ScaleY) + ph;
    canvas.Line(Left, y, Left + Width, y, pen);
  }
}

void TfrMemoView::DrawLines(Canvas& canvas, const TfrLines& lines) {
  const bool vertical = (Alignment & frtaVertical) != 0;
  const int32_t align = HorizontalAlign(Alignment);
  const bool splitting = DrawMode == drAfterCalcHeight;

  CanvasFont font = MeasureFont();
  font.PixelHeight = DrawPixelHeight(std::clamp<int32_t>(Font.Size, 0, kMaxFontSize), ScaleY, canvas);
  canvas.SetFont(font);
  const int32_t ph = font.PixelHeight;
  const int32_t step = std::max<int32_t>(1, RoundToNearestEven(LineSpacing * ScaleY) + ph);

  TextOutOptions options;
  options.Clipped = true;
  // A prepared file may put the rectangle at the ends of the 32-bit range.
  const auto inset = [](int32_t v, int32_t by) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + by, INT32_MIN, INT32_MAX));
  };
  options.ClipRect = {inset(DrawRect.Left, 1), DrawRect.Top, inset(DrawRect.Right, -2), inset(DrawRect.Bottom, -1)};
  options.CharSpacing = RoundToNearestEven(CharSpacing * ScaleX);
  options.RightToLeft = HasFlag(flRTLReading);

  // Unwrapped vertical lines carry no paragraph markers: each is a whole
  // paragraph. Any other line without the marker continues its paragraph,
  // also the last line of a part a split left on this page.
  const bool wholeLines = vertical && !HasFlag(flWordWrap);
  const int64_t rw = int64_t{DrawRect.Right} - DrawRect.Left;
  const int64_t rh = int64_t{DrawRect.Bottom} - DrawRect.Top;
  const int64_t count = static_cast<int64_t>(lines.size());
  std::vector<std::string_view> pieces;
  int32_t drawn = 0;

  // Draws a justified line piece by piece, each space taking its share of
  // free: along x, or upwards along y for vertical text.
  auto drawSpread = [&](int64_t x, int64_t y, std::string_view text, int64_t free) {
    const int spaces = SplitAtSpaces(text, pieces);
    int64_t pos = 0;
    for (size_t k = 0; k < pieces.size(); ++k) {
      if (vertical) canvas.TextOut(SaturateToInt32(x), SaturateToInt32(y - pos), pieces[k], options);
      else canvas.TextOut(SaturateToInt32(x + pos), SaturateToInt32(y), pieces[k], options);
      int64_t extra = 0;
      if (static_cast<int>(k) < spaces) {
        extra = free / spaces + (static_cast<int>(k) < free % spaces ? 1 : 0);
      }
      pos += canvas.TextWidth(pieces[k], options.CharSpacing) + extra;
    }
  };

  if (!vertical) {
    int64_t y = int64_t{Top} + GapY;
    const int64_t textHeight = count * step + 2 * static_cast<int64_t>(GapY);
    if (!splitting) {
      if (Alignment & frtaMiddle) y += (rh - textHeight) / 2;
      else if (Alignment & frtaDown) y = DrawRect.Bottom - textHeight - 1 + GapY;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      if (splitting && y + step > DrawRect.Bottom) break;
      // Lines below the clip cannot show; lines above it or outside the
      // canvas's clip are skipped unmeasured.
      if (y >= options.ClipRect.Bottom) {
        drawn = SaturateToInt32(count);
        break;
      }
      if (!LineMayShow(canvas, options.ClipRect, {options.ClipRect.Left, SaturateToInt32(y - step),
                                                  options.ClipRect.Right, SaturateToInt32(y + 2 * int64_t{step})})) {
        y += step;
        ++drawn;
        continue;
      }
      std::string_view s = lines[i];
      const bool paragraphEnd = wholeLines || (!s.empty() && s.back() == kParagraphMarker);
      if (!s.empty() && s.back() == kParagraphMarker) s.remove_suffix(1);
      // A left-aligned line that is not spread needs no width.
      const bool measured = align != frtaLeft;
      const int64_t tw = measured ? canvas.TextWidth(s, options.CharSpacing) : 0;
      int64_t x = int64_t{Left} + GapX;
      if (align == frtaRight) x = int64_t{Left} + rw - GapX - tw - 1;
      else if (align == frtaCenter) x = int64_t{Left} + GapX + (rw - 2 * int64_t{GapX} - tw) / 2;
      const int64_t free = rw - 2 * int64_t{GapX} - tw;
      if (align == frtaJustify && !paragraphEnd && free > 0 && SplitAtSpaces(s, pieces) > 0)
        drawSpread(x, y, s, free);
      else
        canvas.TextOut(SaturateToInt32(x), SaturateToInt32(y), s, options);
      y += step;
      ++drawn;
    }
  } else {
    int64_t x = int64_t{Left} + GapX;
    const int64_t blockWidth = count * step + 2 * static_cast<int64_t>(GapX);
    if (!splitting) {
      if (Alignment & frtaMiddle) x += (rw - blockWidth) / 2;
      else if (Alignment & frtaDown) x = DrawRect.Right - blockWidth + GapX;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      if (splitting && x + step > DrawRect.Right) break;
      if (x >= options.ClipRect.Right) {
        drawn = SaturateToInt32(count);
        break;
      }
      if (!LineMayShow(canvas, options.ClipRect, {SaturateToInt32(x - step), options.ClipRect.Top,
                                                  SaturateToInt32(x + 2 * int64_t{step}), options.ClipRect.Bottom})) {
        x += step;
        ++drawn;
        continue;
      }
      std::string_view s = lines[i];
      const bool paragraphEnd = wholeLines || (!s.empty() && s.back() == kParagraphMarker);
      if (!s.empty() && s.back() == kParagraphMarker) s.remove_suffix(1);
      const int64_t tw = canvas.TextWidth(s, options.CharSpacing);
      int64_t y = int64_t{DrawRect.Bottom} - GapY;
      if (align == frtaRight) y = tw + Top + GapY;
      else if (align == frtaCenter) y = int64_t{Top} + GapY + (rh - 2 * int64_t{GapY} - tw) / 2 + tw;
      const int64_t free = rh - 2 * int64_t{GapY} - tw;
      if (align == frtaJustify && !paragraphEnd && free > 0 && SplitAtSpaces(s, pieces) > 0)
        drawSpread(x, y, s, free);
      else
        canvas.TextOut(SaturateToInt32(x), SaturateToInt32(y), s, options);
      x += step;
      ++drawn;
    }
  }
  DrawnLines = drawn;
}

}  // namespace lf
