// Tests of the SVG canvas: texts stay text and can never become markup,
// clip groups close as the canvas's states end, units and sizes.
#include <gtest/gtest.h>

#include "platform/svg_canvas.h"

namespace lf {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(SvgCanvas, WritesReportTextAsEscapedText) {
  SvgCanvas canvas(960, 480, 96);
  CanvasFont font;
  font.Style = fsBold | fsUnderline;
  canvas.SetFont(font);
  canvas.TextOut(10, 20, "<script>alert(\"x\")</script> & 'q'\x01", TextOutOptions{});
  const std::string svg = canvas.Finish();
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  EXPECT_NE(svg.find(">&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;</text>"), std::string::npos)
      << svg;
  EXPECT_NE(svg.find("font-weight=\"bold\""), std::string::npos);
  EXPECT_NE(svg.find("text-decoration=\"underline\""), std::string::npos);
  EXPECT_NE(svg.find("width=\"254.00mm\" height=\"127.00mm\" viewBox=\"0 0 960 480\""), std::string::npos);
}

TEST(SvgCanvas, ClipGroupsCloseWithTheirStates) {
  SvgCanvas canvas(100, 100, 96);
  canvas.Save();
  canvas.IntersectClip(CanvasRect{10, 10, 50, 50});
  EXPECT_FALSE(canvas.RectVisible(CanvasRect{60, 60, 70, 70}));
  EXPECT_TRUE(canvas.RectVisible(CanvasRect{40, 40, 70, 70}));
  canvas.Save();
  canvas.IntersectClip(CanvasRect{10, 10, 50, 50});
  TextOutOptions clipped;
  clipped.Clipped = true;
  clipped.ClipRect = CanvasRect{0, 0, 20, 20};
  canvas.TextOut(0, 0, "x", clipped);
  canvas.Restore();
  canvas.Restore();
  EXPECT_TRUE(canvas.RectVisible(CanvasRect{60, 60, 70, 70}));
  // A state left open is closed by Finish.
  canvas.Save();
  canvas.IntersectClip(CanvasRect{0, 0, 5, 5});
  const std::string svg = canvas.Finish();
  EXPECT_EQ(Count(svg, "<g "), Count(svg, "</g>"));
  EXPECT_EQ(Count(svg, "<g "), 4u);
  // One clip path per distinct rectangle.
  EXPECT_EQ(Count(svg, "<clipPath "), 3u);
}

}  // namespace
}  // namespace lf
