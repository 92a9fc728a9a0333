// Drawing prepared pages: scale and offset handed to every object, the
// 10-pixel visibility test on screens, and pages that draw nothing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <tuple>

#include "engine/model/page.h"
#include "engine/output/emf_pages.h"
#include "engine/run/globals.h"
#include "platform/painter_canvas.h"
#include "platform/recording_canvas.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

TfrPage A4Page() { return TfrPage(9, 2100, 2970, -1, false); }

class PreparedPageDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProbeView();
    list.Add(a4);
    for (auto [name, left, top] : {std::tuple{"Probe1", 0, 0}, std::tuple{"Probe2", 400, 600}}) {
      TProbeView probe;
      probe.Name = name;
      probe.SetBounds(left, top, 100, 50);
      AppendRecord(list.PageAt(0), probe);
    }
    list.PageAt(0).Shown = true;
    ProbeDraws().clear();
  }
  TfrPage a4 = A4Page();
  TfrEMFPages list{nullptr};
};

TEST_F(PreparedPageDraw, SetsScaleAndOffsetOnEveryObjectOfARecordingCanvas) {
  const TPrinterMetrics& m = list.PageAt(0).Metrics;
  RecordingCanvas canvas;
  const CanvasRect rect{5, 7, 5 + m.SheetWidth * 2, 7 + m.SheetHeight * 3};
  list.Draw(0, canvas, rect);
  ASSERT_EQ(ProbeDraws().size(), 2u);
  for (const TProbeDraw& d : ProbeDraws()) {
    EXPECT_DOUBLE_EQ(d.ScaleX, 2.0);
    EXPECT_DOUBLE_EQ(d.ScaleY, 3.0);
    EXPECT_EQ(d.OffsetX, 5);
    EXPECT_EQ(d.OffsetY, 7);
    EXPECT_FALSE(d.Printing);
    EXPECT_EQ(d.DocMode, kDocModePrinting);
  }
  EXPECT_EQ(EngineState().DocMode, kDocModeDesign);
  EXPECT_EQ(EngineState().CurPage, nullptr);
}

TEST_F(PreparedPageDraw, SkipsObjectsMoreThanTenPixelsOutsideTheClipOnScreen) {
  const TPrinterMetrics& m = list.PageAt(0).Metrics;
  QImage image(m.SheetWidth, m.SheetHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  const CanvasRect rect{0, 0, m.SheetWidth, m.SheetHeight};
  // Probe2 starts at (400, 600): a clip ending 11 pixels before it misses
  // it, one ending 9 pixels before it does not.
  canvas.Save();
  canvas.IntersectClip({0, 0, 389, 589});
  list.Draw(0, canvas, rect);
  canvas.Restore();
  EXPECT_EQ(ProbeNames(), (std::vector<std::string>{"Probe1"}));
  ProbeDraws().clear();
  canvas.IntersectClip({0, 0, 391, 591});
  list.Draw(0, canvas, rect);
  EXPECT_EQ(ProbeNames(), (std::vector<std::string>{"Probe1", "Probe2"}));
  painter.end();

  // A printer's canvas draws every object and says so to each.
  ProbeDraws().clear();
  QImage sheet(m.SheetWidth, m.SheetHeight, QImage::Format_RGB32);
  QPainter printerPainter(&sheet);
  PainterCanvas printer(printerPainter, 96, true);
  printer.IntersectClip({0, 0, 1, 1});
  list.Draw(0, printer, rect);
  ASSERT_EQ(ProbeDraws().size(), 2u);
  EXPECT_TRUE(ProbeDraws()[1].Printing);
}

TEST_F(PreparedPageDraw, HiddenPagesAndSheetsWithoutSizeDrawNothing) {
  RecordingCanvas canvas;
  list.LoadPage(0);
  list.PageAt(0).Shown = false;
  list.Draw(0, canvas, {});
  EXPECT_EQ(list.PageAt(0).Page, nullptr);
  EXPECT_TRUE(ProbeDraws().empty());

  list.PageAt(0).Shown = true;
  list.PageAt(0).Metrics.SheetHeight = 0;
  list.Draw(0, canvas, {0, 0, 100, 100});
  EXPECT_TRUE(ProbeDraws().empty());
  EXPECT_EQ(list.PageAt(0).Page, nullptr);
}

}  // namespace
}  // namespace lf
