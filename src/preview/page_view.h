// PageView: what the page viewer looks at, without a window: the zoom, the
// sheets laid out for a box, the current page, the scroll positions, and
// which page lies under a point.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/canvas.h"
#include "preview/page_layout.h"

namespace lf {

// A point on a sheet: the page (0-based) and the point in its page units.
struct PagePoint {
  int Index = 0;
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const PagePoint&) const = default;
};

// Scroll positions, pixels.
struct ScrollPositions {
  int32_t H = 0;
  int32_t V = 0;
  bool operator==(const ScrollPositions&) const = default;
};

class PageView {
 public:
  double Scale() const { return scale_; }  // screen pixels per page unit
  TfrZoomMode Mode() const { return mode_; }
  // A fitted mode computes its scale at the next Layout; the fixed mode
  // takes scale (kept in range).
  void SetZoom(TfrZoomMode mode, double scale);
  // A zoom menu item: 1, 2, 3 choose a fitted mode, any other tag the
  // percentage it names.
  void ApplyZoomTag(int tag);

  // Lays the sheets out for a box of that size (pixels): the scale of a
  // fitted mode follows the current page's sheet, which is brought into the
  // page count first.
  void Layout(const std::vector<SheetSize>& sheets, int32_t boxWidth, int32_t boxHeight);
  // Forgets the layout (no pages shown).
  void Clear();
  int PageCount() const { return int(bounds_.size()); }
  int Columns() const { return columns_; }
  // One per page, pixels from the layout's origin (right and bottom exclusive).
  const std::vector<CanvasRect>& Bounds() const { return bounds_; }
  // Scroll bar maxima; 0 disables a bar.
  int32_t HorzMax() const { return horzMax_; }
  int32_t VertMax() const { return vertMax_; }

  // From 1; kept in 1 .. page count by Layout.
  int CurrentPage() const { return currentPage_; }
  void SetCurrentPage(int page) { currentPage_ = page; }

  // The scroll positions; the layout's origin lies at minus them.
  const ScrollPositions& Positions() const { return positions_; }
  void SetPositions(ScrollPositions positions) { positions_ = positions; }
  int32_t OriginX() const { return -positions_.H; }
  int32_t OriginY() const { return -positions_.V; }

  // The vertical position that shows the current page's top one gap below
  // the box's top; none without a layout.
  std::optional<int32_t> CurrentPageTop() const;
  // The page (0-based) crossed by the current-page line at vertical
  // position vpos; none in a gap.
  std::optional<int> PageAtLine(int32_t vpos) const;
  // The page and page-unit point under a point of the box (pixels).
  std::optional<PagePoint> PageAt(int32_t x, int32_t y) const;
  // A page's sheet in the box at the current positions, pixels.
  CanvasRect SheetInBox(int index) const;
  // A rectangle in page units on a page, in the box at the current
  // positions, pixels.
  CanvasRect UnitsInBox(int index, const CanvasRect& units) const;
  // The positions that bring a found text (page units on page index) into
  // the box: its page's top and left one gap inside the box, unless the text
  // would then lie beyond the box's bottom or right edge: then that edge.
  ScrollPositions PositionsShowing(int index, const CanvasRect& units) const;

 private:
  double scale_ = 1.0;
  TfrZoomMode mode_ = zmFixed;
  int columns_ = 1;
  std::vector<CanvasRect> bounds_;
  int32_t horzMax_ = 0, vertMax_ = 0;
  int32_t boxWidth_ = 0, boxHeight_ = 0;  // of the last layout, pixels
  int currentPage_ = 1;
  ScrollPositions positions_;
};

}  // namespace lf
