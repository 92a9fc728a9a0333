// Page layout of the preview.
#include "preview/page_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/data/dataset_errors.h"
#include "engine/output/link_opener.h"
#include "platform/code_page.h"
#include "platform/saturate.h"
#include "printer/printer_metrics.h"

namespace lf {
namespace {

// A sheet's extent on screen: never negative.
int32_t Scaled(int32_t units, double scale) { return std::max(0, RoundToNearestEven(units * scale)); }

}  // namespace

double ClampScale(double scale) {
  if (!std::isfinite(scale)) return 1.0;
  return std::clamp(scale, kMinPreviewScale, kMaxPreviewScale);
}

double ZoomScale(TfrZoomMode mode, double scale, int32_t boxWidth, int32_t boxHeight, SheetSize sheet) {
  switch (mode) {
    case zmPageWidth:
      if (sheet.Width > 0) scale = double(boxWidth - kFitMargin) / sheet.Width;
      break;
    case zmWholePage:
      if (sheet.Height > 0) scale = double(boxHeight - kFitMargin) / sheet.Height;
      break;
    case zmTwoPages:
      if (sheet.Width > 0) scale = double(boxWidth - kTwoPagesMargin) / (2.0 * sheet.Width);
      break;
    case zmFixed:
      break;
  }
  return ClampScale(scale);
}

int ColumnCount(const std::vector<SheetSize>& sheets, double scale, TfrZoomMode mode, int32_t boxWidth) {
  if (mode == zmWholePage) return 1;
  if (mode == zmTwoPages) return 2;
  int columns = 0, n = 0;
  int64_t x = kPageGap;
  for (size_t j = 0; j < sheets.size(); ++j) {
    int64_t right = x + kPageGap + Scaled(sheets[j].Width, scale);
    if (right > boxWidth) {
      // The row is full; this sheet itself counts in no row.
      columns = std::max(columns, n);
      n = 0;
      x = kPageGap;
    } else {
      x = right;
      ++n;
      if (j + 1 == sheets.size()) columns = std::max(columns, n);
    }
  }
  return columns == 0 ? 1 : columns;
}

PreviewLayout LayoutPages(const std::vector<SheetSize>& sheets, double scale, TfrZoomMode mode,
                          int32_t boxWidth, int32_t boxHeight) {
  PreviewLayout layout;
  layout.Columns = ColumnCount(sheets, scale, mode, boxWidth);
  layout.Bounds.resize(sheets.size());
  int64_t y = kPageGap, maxRight = 0, maxBottom = 0;
  for (size_t row = 0; row < sheets.size(); row += layout.Columns) {
    int64_t x = kPageGap, rowHeight = 0;
    size_t end = std::min(sheets.size(), row + layout.Columns);
    for (size_t j = row; j < end; ++j) {
      int32_t pw = Scaled(sheets[j].Width, scale), ph = Scaled(sheets[j].Height, scale);
      int64_t left = (layout.Columns == 1 && pw < boxWidth) ? (int64_t(boxWidth) - pw) / 2 : x;
      CanvasRect& r = layout.Bounds[j];
      r = {SaturateToInt32(left), SaturateToInt32(y), SaturateToInt32(left + pw), SaturateToInt32(y + ph)};
      maxRight = std::max<int64_t>(maxRight, r.Right);
      maxBottom = std::max<int64_t>(maxBottom, r.Bottom);
      rowHeight = std::max<int64_t>(rowHeight, ph);
      x += int64_t{pw} + kPageGap;
    }
    y += rowHeight + kPageGap;
  }
  auto range = [](int64_t extent, int32_t box) {
    int64_t m = extent - box;
    return m < 0 ? 0 : SaturateToInt32(m + kPageGap);
  };
  layout.HorzMax = range(maxRight, boxWidth);
  layout.VertMax = range(maxBottom, boxHeight);
  return layout;
}

std::optional<int> PageAtCurrentLine(const std::vector<CanvasRect>& bounds, int32_t vpos) {
  int64_t line = int64_t(vpos) + kCurrentPageLine;
  for (size_t i = 0; i < bounds.size(); ++i)
    if (bounds[i].Top < line && line < bounds[i].Bottom) return int(i);
  return std::nullopt;
}

std::optional<int> PageAtPoint(const std::vector<CanvasRect>& bounds, int32_t x, int32_t y) {
  for (size_t i = 0; i < bounds.size(); ++i) {
    const CanvasRect& r = bounds[i];
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return int(i);
  }
  return std::nullopt;
}

std::optional<int32_t> PageLinkNumber(std::string_view link) {
  if (!IsPageLink(link)) return std::nullopt;
  size_t at = LastAtSign(link);
  if (at + 1 >= link.size()) return std::nullopt;
  return TextToInteger(link.substr(at + 1));
}

std::optional<int32_t> PageLinkTarget(std::string_view link) {
  std::optional<int32_t> n = PageLinkNumber(link);
  if (n && *n < 1) n = 1;
  return n;
}

ZoomMemory& SavedZoom() {
  static ZoomMemory memory;
  return memory;
}

}  // namespace lf
