// Tests of the two canvases: text boxes (turned for rotated text), clipping
// through Save/IntersectClip/Restore, and where the painter canvas puts
// rectangles, lines and text pixels on an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <climits>
#include <string>

#include "platform/painter_canvas.h"
#include "platform/recording_canvas.h"
#include "platform/text_measurer.h"

namespace lf {
namespace {

CanvasFont Mono(int32_t pixelHeight, int orientation = 0) {
  CanvasFont f;
  f.Name = "Liberation Mono";
  f.PixelHeight = pixelHeight;
  f.Orientation = orientation;
  return f;
}

QImage WhiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.fill(Qt::white);
  return image;
}

// The box around the pixels darker than mid-grey (empty when there are none).
CanvasRect InkBox(const QImage& image) {
  CanvasRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.IsEmpty() ? CanvasRect{} : box;
}

bool Inside(const CanvasRect& inner, const CanvasRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

TEST(RecordingCanvas, TextBoxesFollowMeasuredWidthAndTurnWithRotation) {
  RecordingCanvas canvas;
  canvas.SetFont(Mono(13));
  TextOutOptions spaced;
  spaced.CharSpacing = 2;
  canvas.TextOut(100, 200, "0123456789", {});
  canvas.TextOut(100, 200, "0123456789", spaced);
  canvas.SetFont(Mono(13, 900));
  canvas.TextOut(100, 200, "0123456789", {});
  int32_t height = canvas.FontMetrics().Height;
  ASSERT_EQ(canvas.Ops().size(), 3u);
  EXPECT_EQ(canvas.Ops()[0].Bounds, (CanvasRect{100, 200, 178, 200 + height}));
  EXPECT_EQ(canvas.Ops()[1].Bounds, (CanvasRect{100, 200, 198, 200 + height}));
  // Running upwards from (100, 200): as wide as the font is high.
  EXPECT_EQ(canvas.Ops()[2].Bounds, (CanvasRect{100, 122, 100 + height, 200}));
  EXPECT_EQ(canvas.Ops()[2].Font.Orientation, 900);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"0123456789", "0123456789", "0123456789"}));
}

// Clip edges are exclusive on the right and bottom, nested clips narrow,
// Restore widens again, and a Restore too many keeps the whole canvas.
template <typename MakeCanvas>
void CheckClipping(MakeCanvas make) {
  auto holder = make();
  Canvas& canvas = *holder.canvas;
  EXPECT_TRUE(canvas.RectVisible({150, 150, 160, 160}));
  EXPECT_FALSE(canvas.RectVisible({10, 10, 10, 20}));  // empty
  canvas.Save();
  canvas.IntersectClip({10, 10, 50, 50});
  EXPECT_TRUE(canvas.RectVisible({40, 40, 60, 60}));
  EXPECT_FALSE(canvas.RectVisible({50, 10, 60, 20}));
  EXPECT_FALSE(canvas.RectVisible({0, 0, 10, 10}));
  canvas.Save();
  canvas.IntersectClip({30, 30, 100, 100});
  EXPECT_FALSE(canvas.RectVisible({10, 10, 30, 30}));
  EXPECT_TRUE(canvas.RectVisible({49, 49, 51, 51}));
  canvas.Restore();
  EXPECT_TRUE(canvas.RectVisible({10, 10, 30, 30}));
  EXPECT_FALSE(canvas.RectVisible({150, 150, 160, 160}));
  canvas.Restore();
  EXPECT_TRUE(canvas.RectVisible({150, 150, 160, 160}));
  EXPECT_FALSE(canvas.RectVisible({300, 300, 310, 310}));  // off the device
}

struct RecordingHolder {
  std::unique_ptr<RecordingCanvas> canvas;
};
struct PainterHolder {
  std::unique_ptr<QImage> image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<PainterCanvas> canvas;
};

TEST(RecordingCanvas, ClipNarrowsAndRestores) {
  CheckClipping([] { return RecordingHolder{std::make_unique<RecordingCanvas>(200, 200)}; });
  RecordingCanvas canvas(200, 200);
  canvas.Restore();
  EXPECT_TRUE(canvas.RectVisible({150, 150, 160, 160}));
}

TEST(PainterCanvas, ClipNarrowsAndRestores) {
  CheckClipping([] {
    PainterHolder h;
    h.image = std::make_unique<QImage>(WhiteImage(200, 200));
    h.painter = std::make_unique<QPainter>(h.image.get());
    h.canvas = std::make_unique<PainterCanvas>(*h.painter);
    return h;
  });
}

// One width for the measurer, both canvases and the ink a painter leaves.
TEST(PainterCanvas, TextWidthAgreesWithMeasurerAndInk) {
  QImage image = WhiteImage(300, 100);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  RecordingCanvas recording;
  canvas.SetFont(Mono(13));
  recording.SetFont(Mono(13));
  const char* text = "MMMMMMMMMMMMMMMMMMMM";
  int32_t width = TextMeasurer::Shared().Width(Mono(13), text);
  EXPECT_EQ(width, 156);
  EXPECT_EQ(canvas.TextWidth(text), width);
  EXPECT_EQ(recording.TextWidth(text), width);
  EXPECT_EQ(canvas.TextWidth(text, 3), recording.TextWidth(text, 3));
  canvas.TextOut(20, 30, text, {});
  TextOutOptions spaced;
  spaced.CharSpacing = 3;
  canvas.TextOut(20, 60, text, spaced);
  painter.end();
  // The spaced line ends where its measured width says (less the last gap).
  CanvasRect spacedInk = InkBox(image.copy(0, 55, 300, 45));
  EXPECT_GE(spacedInk.Right, 20 + canvas.TextWidth(text, 3) - 3 - 2);
  EXPECT_LE(spacedInk.Right, 20 + canvas.TextWidth(text, 3));
  image = image.copy(0, 0, 300, 55);
  CanvasRect ink = InkBox(image);
  CanvasFontMetrics m = canvas.FontMetrics();
  // Ink spans the measured width (less the side bearings) within the cell.
  EXPECT_TRUE(Inside(ink, {20, 30, 20 + width, 30 + m.Height})) << ink.Left << "," << ink.Top << "," << ink.Right << "," << ink.Bottom;
  EXPECT_LE(ink.Left, 21);
  EXPECT_GE(ink.Right, 20 + width - 2);
  EXPECT_LE(ink.Top, 30 + m.Ascent - 8);  // capital M reaches up to the cap height
}

TEST(PainterCanvas, RotatedTextRunsUpwardsInsideItsRecordedBox) {
  QImage image = WhiteImage(100, 200);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  RecordingCanvas recording;
  canvas.SetFont(Mono(13, 900));
  recording.SetFont(Mono(13, 900));
  canvas.TextOut(40, 150, "MMMMMMMMMM", {});
  recording.TextOut(40, 150, "MMMMMMMMMM", {});
  painter.end();
  CanvasRect box = recording.Ops()[0].Bounds;
  CanvasRect ink = InkBox(image);
  EXPECT_TRUE(Inside(ink, box)) << ink.Left << "," << ink.Top << "," << ink.Right << "," << ink.Bottom;
  EXPECT_GE(ink.Height(), 70);  // ten characters of 7.8 px upwards
  EXPECT_LE(ink.Width(), 13);
}

// Right-to-left reading changes the order of the characters, not where the
// line starts.
TEST(PainterCanvas, RightToLeftTextStartsAtItsPoint) {
  QImage image = WhiteImage(200, 60);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.SetFont(Mono(13));
  TextOutOptions options;
  options.RightToLeft = true;
  const char* text = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D MMM";  // Hebrew word, space, Latin
  int32_t width = canvas.TextWidth(text);
  canvas.TextOut(50, 10, text, options);
  painter.end();
  CanvasRect ink = InkBox(image);
  EXPECT_TRUE(Inside(ink, {50, 10, 50 + width + 1, 10 + canvas.FontMetrics().Height}))
      << ink.Left << "," << ink.Right << " width " << width;
  EXPECT_LE(ink.Left, 52);
}

TEST(PainterCanvas, ClippedAndOpaqueTextStayInTheClipRect) {
  QImage image = WhiteImage(200, 60);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.SetFont(Mono(13));
  TextOutOptions options;
  options.Clipped = true;
  options.ClipRect = {10, 10, 50, 40};
  options.Opaque = true;
  options.BackColor = 0x00FFFF;  // yellow
  canvas.TextOut(10, 10, "MMMMMMMMMMMMMMMM", options);
  painter.end();
  CanvasRect ink = InkBox(image);
  EXPECT_TRUE(Inside(ink, options.ClipRect));
  EXPECT_GE(ink.Right, 47);  // unclipped, the text would run to 134
  EXPECT_EQ(image.pixel(45, 35), qRgb(255, 255, 0));
  EXPECT_EQ(image.pixel(50, 35), qRgb(255, 255, 255));
}

// A clip that cuts no ink leaves the same pixels as no clip at all (the
// canvas then draws without one); a clip that does cut still cuts.
TEST(PainterCanvas, TextClipCutsOnlyWhereInkCrossesIt) {
  struct Case {
    const char* text;
    CanvasRect clip;
    bool cuts;
  };
  const Case cases[] = {
      {"Customer 12", {5, 5, 195, 55}, false},
      {"Customer 12", {19, 19, 110, 36}, false},  // snug around the cell
      {"Customer 12", {25, 5, 195, 55}, true},    // cuts the first letter
      {"Customer 12", {5, 5, 60, 55}, true},      // cuts the end
      {"Customer 12", {5, 25, 195, 55}, true},    // cuts the tops
      {"gjpq", {5, 5, 195, 30}, true},            // cuts the descenders
  };
  for (const Case& c : cases) {
    auto draw = [&](bool clipped) {
      QImage image = WhiteImage(200, 60);
      QPainter painter(&image);
      PainterCanvas canvas(painter);
      canvas.SetFont(Mono(13));
      TextOutOptions options;
      options.Clipped = clipped;
      options.ClipRect = c.clip;
      canvas.TextOut(20, 20, c.text, options);
      painter.end();
      return image;
    };
    QImage clipped = draw(true);
    QImage free = draw(false);
    EXPECT_EQ(clipped != free, c.cuts) << c.text << " " << c.clip.Left << "," << c.clip.Top;
    EXPECT_TRUE(Inside(InkBox(clipped), c.clip)) << c.text;
  }
}

// Text drawn without a clip of its own keeps to the canvas clip, and the
// pen and font it leaves on the painter do not reach other drawing.
TEST(PainterCanvas, TextKeepsTheCanvasClipAndLeavesShapesAlone) {
  QImage image = WhiteImage(200, 60);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.Save();
  canvas.IntersectClip({0, 0, 100, 60});
  CanvasFont red = Mono(13);
  red.Color = 0x0000FF;
  canvas.SetFont(red);
  canvas.TextOut(60, 5, "MMMMMMMMMM", {});
  canvas.Line(10, 40, 90, 40, CanvasPen{1, 0x00FF00, PenStyle::Solid});
  canvas.Restore();
  canvas.TextOut(120, 5, "M", {});
  painter.end();
  EXPECT_EQ(InkBox(image.copy(100, 0, 20, 60)), CanvasRect{});  // clipped at 100
  EXPECT_EQ(image.pixel(50, 40), qRgb(0, 255, 0));
  EXPECT_FALSE(InkBox(image.copy(120, 0, 80, 60)).IsEmpty());
}

TEST(PainterCanvas, ShapesLandOnTheirDevicePixels) {
  QImage image = WhiteImage(100, 100);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.FillRect({10, 10, 20, 20}, 0x0000FF);  // red, stored as 0x00BBGGRR
  canvas.Rectangle({30, 30, 40, 40}, {1, 0xFF0000, PenStyle::Solid}, kNoFill);
  canvas.Line(50, 5, 60, 5, {1, 0x000000, PenStyle::Solid});
  canvas.FillRect({70, 70, 80, 80}, 0xFF00000F);  // button face
  painter.end();
  EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(19, 19), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(20, 20), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(9, 9), qRgb(255, 255, 255));
  // An outline keeps inside its rectangle, right and bottom exclusive.
  EXPECT_EQ(image.pixel(30, 30), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(39, 39), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(40, 40), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(35, 35), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(50, 5), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(59, 5), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(60, 5), qRgb(255, 255, 255));  // the end point is not drawn
  EXPECT_EQ(image.pixel(70, 70), qRgb(0xF0, 0xF0, 0xF0));
}

TEST(PainterCanvas, XorRectTwiceRestoresThePixels) {
  QImage image = WhiteImage(50, 50);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.FillRect({0, 0, 25, 50}, 0x0000FF);
  QImage before = image.copy();
  canvas.XorRect({10, 10, 40, 40});
  QImage once = image.copy();
  canvas.XorRect({10, 10, 40, 40});
  painter.end();
  EXPECT_EQ(once.pixel(10, 20), qRgb(0, 255, 255));
  EXPECT_EQ(once.pixel(30, 39), qRgb(0, 0, 0));
  EXPECT_EQ(once.pixel(20, 20), before.pixel(20, 20));
  EXPECT_EQ(image, before);
}

}  // namespace
}  // namespace lf
