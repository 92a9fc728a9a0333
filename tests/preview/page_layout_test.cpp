// Tests of the preview's page layout: zoom scales, sheet positions, scroll
// ranges, the current-page line and page links.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "engine/data/dataset_errors.h"
#include "platform/code_page.h"
#include "preview/page_layout.h"

namespace lf {
namespace {

// A4 as the virtual printer measures it, page units.
constexpr SheetSize kA4{758, 1071};

std::vector<SheetSize> A4Pages(int n) { return std::vector<SheetSize>(n, kA4); }

TEST(PageLayout, CentresOneColumnAt100PercentIn1000Pixels) {
  PreviewLayout layout = LayoutPages(A4Pages(3), 1.0, zmFixed, 1000, 700);
  EXPECT_EQ(layout.Columns, 1);
  EXPECT_EQ(layout.Bounds[0], (CanvasRect{121, 10, 879, 1081}));
  EXPECT_EQ(layout.Bounds[1], (CanvasRect{121, 1091, 879, 2162}));
  EXPECT_EQ(layout.Bounds[2].Top, 2172);
  EXPECT_EQ(layout.HorzMax, 0);
  EXPECT_EQ(layout.VertMax, 3243 - 700 + 10);
}

TEST(PageLayout, PutsTwoSheetsPerRowIn1600Pixels) {
  // 10 + 758 + 10 + 758 + 10 = 1546 fits; a third sheet would not.
  PreviewLayout layout = LayoutPages(A4Pages(5), 1.0, zmFixed, 1600, 900);
  EXPECT_EQ(layout.Columns, 2);
  EXPECT_EQ(layout.Bounds[0], (CanvasRect{10, 10, 768, 1081}));
  EXPECT_EQ(layout.Bounds[1], (CanvasRect{778, 10, 1536, 1081}));
  EXPECT_EQ(layout.Bounds[2], (CanvasRect{10, 1091, 768, 2162}));
  EXPECT_EQ(layout.Bounds[4].Top, 2172);
  EXPECT_EQ(LayoutPages(A4Pages(1), 1.0, zmFixed, 1600, 900).Columns, 1);
}

TEST(PageLayout, FitsTheScaleToTheBox) {
  EXPECT_NEAR(ZoomScale(zmTwoPages, 1.0, 800, 600, kA4), 770.0 / 1516, 1e-12);
  EXPECT_NEAR(ZoomScale(zmWholePage, 1.0, 800, 600, kA4), 580.0 / 1071, 1e-12);
  EXPECT_NEAR(ZoomScale(zmPageWidth, 1.0, 800, 600, kA4), 780.0 / 758, 1e-12);
  EXPECT_EQ(ZoomScale(zmFixed, 0.75, 800, 600, kA4), 0.75);
  // Two-pages mode keeps two columns even where one would fit.
  PreviewLayout two = LayoutPages(A4Pages(3), ZoomScale(zmTwoPages, 1, 800, 600, kA4), zmTwoPages, 800, 600);
  EXPECT_EQ(two.Columns, 2);
  EXPECT_EQ(two.Bounds[1].Left, two.Bounds[0].Right + kPageGap);
  EXPECT_EQ(LayoutPages(A4Pages(3), 0.1, zmWholePage, 1600, 600).Columns, 1);
}

TEST(PageLayout, DegenerateBoxesAndSheetsStayInRange) {
  struct Case {
    const char* name;
    TfrZoomMode mode;
    double scale;
    int32_t w, h;
    SheetSize sheet;
    double expected;
  } cases[] = {
      {"box narrower than its margins", zmPageWidth, 1.0, 5, 5, kA4, kMinPreviewScale},
      {"zero-sized sheet keeps the scale", zmWholePage, 0.5, 800, 600, {0, 0}, 0.5},
      {"huge box", zmPageWidth, 1.0, 2000000000, 600, {1, 1}, kMaxPreviewScale},
      {"scale not a number", zmFixed, std::nan(""), 800, 600, kA4, 1.0},
      {"negative fixed scale", zmFixed, -3, 800, 600, kA4, kMinPreviewScale},
  };
  for (const Case& c : cases) EXPECT_EQ(ZoomScale(c.mode, c.scale, c.w, c.h, c.sheet), c.expected) << c.name;
  // Giant sheets at the largest scale saturate instead of wrapping around.
  PreviewLayout big = LayoutPages(std::vector<SheetSize>(3, {INT32_MAX, INT32_MAX}), kMaxPreviewScale, zmFixed, 0, 0);
  EXPECT_EQ(big.Columns, 1);
  EXPECT_EQ(big.Bounds[2].Bottom, INT32_MAX);
  EXPECT_GE(big.Bounds[2].Top, big.Bounds[0].Top);
  EXPECT_EQ(big.VertMax, INT32_MAX);
}

TEST(PageLayout, DisablesBothScrollBarsWhenEverythingFits) {
  PreviewLayout layout = LayoutPages(A4Pages(2), 0.25, zmFixed, 1000, 800);
  EXPECT_EQ(layout.HorzMax, 0);
  EXPECT_EQ(layout.VertMax, 0);
  // One pixel too low: the range is that pixel plus the gap.
  int32_t bottom = layout.Bounds[1].Bottom;
  EXPECT_EQ(LayoutPages(A4Pages(2), 0.25, zmFixed, 1000, bottom - 1).VertMax, 1 + kPageGap);
  EXPECT_EQ(LayoutPages(A4Pages(2), 0.25, zmFixed, 1000, bottom).VertMax, kPageGap);
}

TEST(PageLayout, CurrentPageFollowsTheLineElevenPixelsDown) {
  PreviewLayout layout = LayoutPages(A4Pages(5), 1.0, zmFixed, 1000, 700);
  // Page 3 ends at 3243; page 4 (index 3) starts at 10 + 3 * 1081 = 3253.
  EXPECT_EQ(PageAtCurrentLine(layout.Bounds, 3242 - 11), std::optional<int>(2));
  EXPECT_EQ(PageAtCurrentLine(layout.Bounds, 3254 - 11), std::optional<int>(3));
  // The line on a sheet's edge or in the gap between sheets names no page.
  EXPECT_EQ(PageAtCurrentLine(layout.Bounds, 3243 - 11), std::nullopt);
  EXPECT_EQ(PageAtCurrentLine(layout.Bounds, 3253 - 11), std::nullopt);
  EXPECT_EQ(PageAtPoint(layout.Bounds, 121, 10), std::optional<int>(0));
  EXPECT_EQ(PageAtPoint(layout.Bounds, 879, 10), std::nullopt);
  EXPECT_EQ(PageAtPoint(layout.Bounds, 500, 1081), std::nullopt);
}

TEST(PageLink, ReadsThePageAfterTheAtSign) {
  EXPECT_EQ(PageLinkTarget("@5"), std::optional<int32_t>(5));
  EXPECT_EQ(PageLinkTarget("chapter@12"), std::optional<int32_t>(12));
  EXPECT_EQ(PageLinkTarget("@0"), std::optional<int32_t>(1));
  EXPECT_EQ(PageLinkTarget("@-4"), std::optional<int32_t>(1));
  EXPECT_EQ(PageLinkTarget("ends@"), std::nullopt);
  EXPECT_EQ(PageLinkTarget("http://example.invalid/"), std::nullopt);
  EXPECT_EQ(PageLinkTarget(""), std::nullopt);
  // Addresses holding "@" are no page links, and hovering them is no error.
  EXPECT_EQ(PageLinkTarget("mailto:sales@example.com"), std::nullopt);
  EXPECT_EQ(PageLinkNumber("https://example.com/@team"), std::nullopt);
  EXPECT_EQ(PageLinkNumber("https://example.com/@5"), std::nullopt);
  EXPECT_EQ(PageLinkTarget("a@b@3"), std::optional<int32_t>(3));
  try {
    PageLinkTarget("@x1");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
  }
}

TEST(PageLink, AtSignInsideADoubleByteCharacterIsNoLink) {
  ScopedHostCodePage gbk("GBK");
  // 0x81 0x40 is one GBK character whose second byte is "@".
  EXPECT_EQ(PageLinkTarget("\x81\x40" "5"), std::nullopt);
  EXPECT_EQ(PageLinkTarget("\x81\x40@7"), std::optional<int32_t>(7));
}

}  // namespace
}  // namespace lf
