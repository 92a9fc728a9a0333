// PageView.
#include "preview/page_view.h"

#include <algorithm>

#include "platform/saturate.h"
#include "printer/printer_metrics.h"

namespace lf {

void PageView::SetZoom(TfrZoomMode mode, double scale) {
  mode_ = mode;
  scale_ = ClampScale(scale);
}

void PageView::ApplyZoomTag(int tag) {
  if (tag == zmPageWidth || tag == zmWholePage || tag == zmTwoPages) SetZoom(TfrZoomMode(tag), scale_);
  else SetZoom(zmFixed, tag / 100.0);
}

void PageView::Layout(const std::vector<SheetSize>& sheets, int32_t boxWidth, int32_t boxHeight) {
  const int count = int(sheets.size());
  currentPage_ = std::clamp(currentPage_, 1, std::max(1, count));
  const SheetSize current = count > 0 ? sheets[size_t(currentPage_ - 1)] : SheetSize{};
  scale_ = ZoomScale(mode_, scale_, boxWidth, boxHeight, current);
  PreviewLayout layout = LayoutPages(sheets, scale_, mode_, boxWidth, boxHeight);
  columns_ = layout.Columns;
  bounds_ = std::move(layout.Bounds);
  horzMax_ = layout.HorzMax;
  vertMax_ = layout.VertMax;
  boxWidth_ = boxWidth;
  boxHeight_ = boxHeight;
}

void PageView::Clear() {
  bounds_.clear();
  columns_ = 1;
  horzMax_ = vertMax_ = 0;
}

std::optional<int32_t> PageView::CurrentPageTop() const {
  if (bounds_.empty()) return std::nullopt;
  const int index = std::clamp(currentPage_, 1, PageCount()) - 1;
  return SaturateToInt32(int64_t{bounds_[size_t(index)].Top} - kPageGap);
}

std::optional<int> PageView::PageAtLine(int32_t vpos) const { return PageAtCurrentLine(bounds_, vpos); }

std::optional<PagePoint> PageView::PageAt(int32_t x, int32_t y) const {
  const int32_t px = SaturateToInt32(int64_t{x} - OriginX()), py = SaturateToInt32(int64_t{y} - OriginY());
  std::optional<int> hit = PageAtPoint(bounds_, px, py);
  if (!hit) return std::nullopt;
  const CanvasRect& r = bounds_[size_t(*hit)];
  return PagePoint{*hit, RoundToNearestEven((px - r.Left) / scale_), RoundToNearestEven((py - r.Top) / scale_)};
}

CanvasRect PageView::SheetInBox(int index) const {
  const CanvasRect& r = bounds_[size_t(index)];
  const int64_t dx = OriginX(), dy = OriginY();
  return {SaturateToInt32(r.Left + dx), SaturateToInt32(r.Top + dy), SaturateToInt32(r.Right + dx),
          SaturateToInt32(r.Bottom + dy)};
}

CanvasRect PageView::UnitsInBox(int index, const CanvasRect& units) const {
  const CanvasRect& page = bounds_[size_t(index)];
  const int64_t left = int64_t{page.Left} + OriginX() + RoundToNearestEven(units.Left * scale_);
  const int64_t top = int64_t{page.Top} + OriginY() + RoundToNearestEven(units.Top * scale_);
  return {SaturateToInt32(left), SaturateToInt32(top),
          SaturateToInt32(left + RoundToNearestEven(units.Width() * scale_)),
          SaturateToInt32(top + RoundToNearestEven(units.Height() * scale_))};
}

ScrollPositions PageView::PositionsShowing(int index, const CanvasRect& units) const {
  const CanvasRect& page = bounds_[size_t(index)];
  const int64_t w = RoundToNearestEven(units.Width() * scale_);
  const int64_t h = RoundToNearestEven(units.Height() * scale_);
  const int64_t tx = RoundToNearestEven(units.Left * scale_);
  const int64_t ty = RoundToNearestEven(units.Top * scale_);
  const int64_t top = ty + kPageGap;
  const int64_t v = top + h > boxHeight_ ? page.Top + top + h - boxHeight_ - kPageGap : int64_t{page.Top} - kPageGap;
  const int64_t left = page.Left + tx;
  const int64_t hpos = left + w > boxWidth_ ? left + w - boxWidth_ + kPageGap : int64_t{page.Left} - kPageGap;
  return {SaturateToInt32(hpos), SaturateToInt32(v)};
}

}  // namespace lf
