// Page layout of the preview: the zoom's scale, where each sheet lies, the
// scroll ranges, and which page is under a point or the current-page line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/canvas.h"

namespace lf {

// How the scale is chosen: a fixed percentage, or fitted to the box.
enum TfrZoomMode : uint8_t { zmFixed = 0, zmPageWidth = 1, zmWholePage = 2, zmTwoPages = 3 };

// Gap around and between the sheets, screen pixels.
inline constexpr int kPageGap = 10;
// Room left beside the sheet in page-width and whole-page mode, and beside
// the two sheets in two-pages mode, screen pixels.
inline constexpr int kFitMargin = 20;
inline constexpr int kTwoPagesMargin = 30;
// A sheet whose top lies further below the box's top is not painted, pixels.
inline constexpr int kPaintDepth = 2000;
// The page crossing this line below the box's top is the current page, pixels.
inline constexpr int kCurrentPageLine = 11;
// The scales a zoom can reach, screen pixels per page unit (1.0 is 100 %).
inline constexpr double kMinPreviewScale = 0.01;
inline constexpr double kMaxPreviewScale = 10.0;

// A sheet's size in page units.
struct SheetSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// Scale in range; anything that is not a number becomes 100 %.
double ClampScale(double scale);

// The scale of a zoom mode for sheets of the given size in a box of the given
// size (pixels); the fixed mode keeps scale. A sheet of zero size keeps the
// scale too.
double ZoomScale(TfrZoomMode mode, double scale, int32_t boxWidth, int32_t boxHeight, SheetSize sheet);

// Sheets per row at that scale in a box that wide; two-pages mode always
// has 2, whole-page mode 1.
int ColumnCount(const std::vector<SheetSize>& sheets, double scale, TfrZoomMode mode, int32_t boxWidth);

struct PreviewLayout {
  int Columns = 1;
  // One per sheet, pixels from the layout's origin (right and bottom exclusive).
  std::vector<CanvasRect> Bounds;
  // Scroll bar maxima; 0 disables a bar.
  int32_t HorzMax = 0;
  int32_t VertMax = 0;
};

// Lays the sheets out in rows at the scale in a box of that size.
PreviewLayout LayoutPages(const std::vector<SheetSize>& sheets, double scale, TfrZoomMode mode,
                          int32_t boxWidth, int32_t boxHeight);

// Index of the first page whose rectangle holds the current-page line when
// the view is scrolled to vertical position vpos; none when no page does.
std::optional<int> PageAtCurrentLine(const std::vector<CanvasRect>& bounds, int32_t vpos);

// Index of the first page whose rectangle holds the layout point (x, y).
std::optional<int> PageAtPoint(const std::vector<CanvasRect>& bounds, int32_t x, int32_t y);

// The number written after the last "@" of a page link (IsPageLink); none
// for other links and for "@" alone. Raises EConvertError when the text
// after it is not a decimal number ("@top").
std::optional<int32_t> PageLinkNumber(std::string_view link);

// The page number a page link names (PageLinkNumber), at least 1.
std::optional<int32_t> PageLinkTarget(std::string_view link);

// The zoom every preview of the process starts from; each choice in a zoom
// menu stores into it.
struct ZoomMemory {
  double Scale = 1.0;
  TfrZoomMode Mode = zmFixed;
};
ZoomMemory& SavedZoom();

}  // namespace lf
