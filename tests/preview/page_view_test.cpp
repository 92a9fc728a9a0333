// The page viewer's state without a window: zoom modes fitted to the
// current page, the current page kept in range, scroll limits, hit testing
// at scroll positions, and where a found text is scrolled to.
#include <gtest/gtest.h>

#include "preview/page_view.h"

namespace lf {
namespace {

constexpr SheetSize kPortrait{758, 1071};  // A4 on the virtual printer, page units
constexpr SheetSize kLandscape{1071, 758};

TEST(PageView, LaysOutEachZoomModeForTheCurrentPage) {
  struct Case {
    const char* name;
    std::vector<SheetSize> sheets;
    TfrZoomMode mode;
    double scale;
    int current;
    int32_t boxWidth, boxHeight;
    double expectScale;
    int expectColumns, expectCurrent;
    int32_t expectHorzMax, expectVertMax;
  } cases[] = {
      {"fixed, one centred column", {3, kPortrait}, zmFixed, 1.0, 1, 1000, 700, 1.0, 1, 1, 0, 3243 - 700 + 10},
      {"fixed 200% wider than the box", {1, kPortrait}, zmFixed, 2.0, 1, 1000, 700, 2.0, 1, 1, 1526 - 1000 + 10,
       2152 - 700 + 10},
      {"page width of a landscape current page", {kPortrait, kLandscape}, zmPageWidth, 1.0, 2, 800, 600,
       780.0 / 1071, 1, 2, 0, 10 + 780 + 10 + 552 - 600 + 10},
      // Wider than the box: that sheet is not centred and the box scrolls sideways.
      {"whole page of a landscape current page", {kPortrait, kLandscape}, zmWholePage, 1.0, 2, 800, 600,
       580.0 / 758, 1, 2, 10 + 819 - 800 + 10, 10 + 819 + 10 + 580 - 600 + 10},
      {"two pages keeps two columns", {3, kPortrait}, zmTwoPages, 1.0, 1, 800, 600, 770.0 / 1516, 2, 1, 0,
       10 + 544 + 10 + 544 - 600 + 10},
      {"current page past the end comes back", {3, kPortrait}, zmFixed, 0.25, 9, 1000, 2000, 0.25, 3, 3, 0, 0},
      {"current page 0 becomes 1", {2, kPortrait}, zmFixed, 0.25, 0, 1000, 2000, 0.25, 2, 1, 0, 0},
      {"no pages", {}, zmWholePage, 0.5, 4, 800, 600, 0.5, 1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    PageView view;
    view.SetZoom(c.mode, c.scale);
    view.SetCurrentPage(c.current);
    view.Layout(c.sheets, c.boxWidth, c.boxHeight);
    EXPECT_NEAR(view.Scale(), c.expectScale, 1e-12) << c.name;
    EXPECT_EQ(view.Columns(), c.expectColumns) << c.name;
    EXPECT_EQ(view.CurrentPage(), c.expectCurrent) << c.name;
    EXPECT_EQ(view.HorzMax(), c.expectHorzMax) << c.name;
    EXPECT_EQ(view.VertMax(), c.expectVertMax) << c.name;
    EXPECT_EQ(view.PageCount(), int(c.sheets.size())) << c.name;
  }
}

TEST(PageView, ZoomTagsChooseAModeOrAPercentage) {
  PageView view;
  view.ApplyZoomTag(zmTwoPages);
  EXPECT_EQ(view.Mode(), zmTwoPages);
  EXPECT_EQ(view.Scale(), 1.0);
  view.ApplyZoomTag(150);
  EXPECT_EQ(view.Mode(), zmFixed);
  EXPECT_EQ(view.Scale(), 1.5);
  // Out of range percentages stay within the scales a zoom can reach.
  view.ApplyZoomTag(100000);
  EXPECT_EQ(view.Scale(), kMaxPreviewScale);
}

TEST(PageView, HitTestsPointsOfTheBoxAtTheScrollPositions) {
  PageView view;
  view.SetZoom(zmFixed, 0.5);
  view.Layout({3, kPortrait}, 700, 700);  // sheets 379 x 536, left 160, tops 10, 556, 1102
  struct Case {
    const char* name;
    ScrollPositions at;
    int32_t x, y;
    std::optional<PagePoint> expect;
  } cases[] = {
      {"corner of the first sheet", {0, 0}, 160, 10, PagePoint{0, 0, 0}},
      {"right edge is outside", {0, 0}, 160 + 379, 20, std::nullopt},
      {"gap between sheets", {0, 0}, 300, 550, std::nullopt},
      {"scrolled down onto the second sheet", {0, 556}, 161, 1, PagePoint{1, 2, 2}},
      {"scrolled sideways", {100, 1102}, 60, 268, PagePoint{2, 0, 536}},
      {"left of every sheet", {0, 0}, 5, 100, std::nullopt},
  };
  for (const Case& c : cases) {
    view.SetPositions(c.at);
    EXPECT_EQ(view.PageAt(c.x, c.y), c.expect) << c.name;
  }
  view.SetPositions({0, 556});
  EXPECT_EQ(view.SheetInBox(1), (CanvasRect{160, 0, 539, 536}));
  EXPECT_EQ(view.UnitsInBox(1, {100, 200, 300, 220}), (CanvasRect{210, 100, 310, 110}));
}

TEST(PageView, ScrollsTheCurrentPageAndFoundTextsIntoView) {
  PageView view;
  EXPECT_EQ(view.CurrentPageTop(), std::nullopt);
  view.Layout({5, kPortrait}, 1000, 700);
  view.SetCurrentPage(3);
  EXPECT_EQ(view.CurrentPageTop(), view.Bounds()[2].Top - kPageGap);
  EXPECT_EQ(view.PageAtLine(view.Bounds()[3].Top - 10), std::optional<int>(3));
  EXPECT_EQ(view.PageAtLine(view.Bounds()[3].Top - 11), std::nullopt);

  const CanvasRect& page = view.Bounds()[1];
  // Near the sheet's top-left corner: the sheet's corner one gap inside the box.
  EXPECT_EQ(view.PositionsShowing(1, {50, 50, 200, 70}), (ScrollPositions{page.Left - 10, page.Top - 10}));
  // Low on the sheet: the text's bottom one gap above the box's bottom.
  EXPECT_EQ(view.PositionsShowing(1, {50, 900, 200, 920}).V, page.Top + 10 + 920 - 700 - 10);
  // Past the right edge of a narrow box.
  PageView narrow;
  narrow.Layout({1, kPortrait}, 400, 700);
  EXPECT_EQ(narrow.PositionsShowing(0, {600, 50, 700, 70}).H, 10 + 700 - 400 + 10);
}

}  // namespace
}  // namespace lf
