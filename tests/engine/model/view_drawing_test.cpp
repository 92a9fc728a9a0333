// Drawing and printing of views on the recording canvas: frame lines by
// style and side, fills, band alignment, scaled geometry, regions, lines,
// sub-report frames, picture placement and the base Print record.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/graphics/decoded_picture.h"
#include "engine/model/band.h"
#include "engine/model/line_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/run/engine_state_scope.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "platform/recording_canvas.h"
#include "platform/stream.h"

namespace lf {
namespace {

using Segment = std::vector<CanvasPoint>;

// A report page made current in document mode 1 (prepared pages drawn),
// restored when the fixture goes.
class ViewDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = report_.Pages->Add();
    page_->Margins = TfrPageMargins{20, 20, 30, 20};
    EngineState().CurReport = &report_;
    EngineState().CurPage = page_;
    EngineState().CurBand = nullptr;
    EngineState().DocMode = kDocModePrinting;
    EngineState().FirstPass = false;
  }
  void TearDown() override { EngineState().FirstPass = false; }

  // A picture object without a picture: background and frame only.
  TfrPictureView& Box(int32_t left, int32_t top, int32_t width, int32_t height) {
    auto view = std::make_unique<TfrPictureView>();
    view->SetBounds(left, top, width, height);
    return static_cast<TfrPictureView&>(*page_->AddObject(std::move(view)));
  }
  std::vector<CanvasOp> Ops(CanvasOp::Kind kind) const {
    std::vector<CanvasOp> out;
    for (const CanvasOp& op : canvas_.Ops())
      if (op.Type == kind) out.push_back(op);
    return out;
  }
  std::vector<Segment> Lines() const {
    std::vector<Segment> out;
    for (const CanvasOp& op : Ops(CanvasOp::Kind::Line)) out.push_back(op.Points);
    return out;
  }

  EngineStateScope scope_;
  TfrReport report_;
  TfrPage* page_ = nullptr;
  RecordingCanvas canvas_;
};

struct FrameSide {
  const char* name;
  uint16_t frameTyp;
  Segment line;
};
void PrintTo(const FrameSide& c, std::ostream* os) { *os << c.name; }

class ViewFrameSide : public ViewDrawing, public ::testing::WithParamInterface<FrameSide> {};

TEST_P(ViewFrameSide, SolidEdgeIsOneLineOnTheEdge) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = GetParam().frameTyp;
  box.FrameColor = 0x0000FF;
  box.Draw(canvas_);
  ASSERT_EQ(Lines(), std::vector<Segment>{GetParam().line});
  const CanvasOp line = Ops(CanvasOp::Kind::Line).front();
  EXPECT_EQ(line.Pen, (CanvasPen{1, 0x0000FF, PenStyle::Solid}));
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ViewFrameSide,
    ::testing::Values(FrameSide{"Right", frftRight, {{110, 20}, {110, 70}}},
                      FrameSide{"Bottom", frftBottom, {{10, 70}, {110, 70}}},
                      FrameSide{"Left", frftLeft, {{10, 20}, {10, 70}}},
                      FrameSide{"Top", frftTop, {{10, 20}, {110, 20}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewDrawing, AllFourEdgesInRightLeftBottomTopOrder) {
  TfrPictureView& box = Box(0, 0, 10, 10);
  box.FrameTyp = frftRight | frftBottom | frftLeft | frftTop;
  box.Draw(canvas_);
  EXPECT_EQ(Lines(), (std::vector<Segment>{{{10, 0}, {10, 10}}, {{0, 0}, {0, 10}}, {{0, 10}, {10, 10}},
                                           {{0, 0}, {10, 0}}}));
}

struct DashCase {
  const char* name;
  uint16_t style;
  PenStyle pen;
};
void PrintTo(const DashCase& c, std::ostream* os) { *os << c.name; }

class ViewDashedFrame : public ViewDrawing, public ::testing::WithParamInterface<DashCase> {};

TEST_P(ViewDashedFrame, TwoUnitsWideIsTwoParallelOneUnitLines) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftLeft;
  box.FrameWidth = 2;
  box.FrameStyle = GetParam().style;
  box.Draw(canvas_);
  ASSERT_EQ(Lines(), (std::vector<Segment>{{{9, 20}, {9, 70}}, {{10, 20}, {10, 70}}}));
  for (const CanvasOp& op : Ops(CanvasOp::Kind::Line)) EXPECT_EQ(op.Pen, (CanvasPen{1, 0, GetParam().pen}));
}

INSTANTIATE_TEST_SUITE_P(Styles, ViewDashedFrame,
                         ::testing::Values(DashCase{"Dash", psDash, PenStyle::Dash},
                                           DashCase{"Dot", psDot, PenStyle::Dot},
                                           DashCase{"DashDot", psDashDot, PenStyle::DashDot},
                                           DashCase{"DashDotDot", psDashDotDot, PenStyle::DashDotDot}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewDrawing, DashedFrameGapsTakeTheFillColour) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftTop;
  box.FrameStyle = psDash;
  box.FillColor = 0x00FF00;
  box.Draw(canvas_);
  const std::vector<CanvasOp> lines = Ops(CanvasOp::Kind::Line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Pen, (CanvasPen{1, 0x00FF00, PenStyle::Solid}));
  EXPECT_EQ(lines[1].Pen, (CanvasPen{1, 0, PenStyle::Dash}));
  EXPECT_EQ(lines[0].Points, lines[1].Points);
}

TEST_F(ViewDrawing, HugeDashedFrameIsCappedInParallelLines) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftLeft;
  box.FrameWidth = 1e6f;
  box.FrameStyle = psDot;
  box.Draw(canvas_);
  const std::vector<Segment> lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kMaxDashedFrameLines));
  // Spread over the whole width, from -width/2.
  EXPECT_EQ(lines.front()[0].X, 10 - 500000);
  EXPECT_GT(lines.back()[0].X, 10 + 400000);
}

TEST_F(ViewDrawing, DoubleFrameIsTwoLinesEitherSideAndTheFillBetween) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftBottom;
  box.FrameStyle = psDouble;
  box.FrameColor = 0xFF0000;
  box.FillColor = 0x00FFFF;
  box.Draw(canvas_);
  const std::vector<CanvasOp> lines = Ops(CanvasOp::Kind::Line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Points, (Segment{{10, 69}, {110, 69}}));
  EXPECT_EQ(lines[1].Points, (Segment{{10, 70}, {110, 70}}));
  EXPECT_EQ(lines[2].Points, (Segment{{10, 71}, {110, 71}}));
  EXPECT_EQ(lines[0].Pen.Color, 0xFF0000u);
  EXPECT_EQ(lines[1].Pen.Color, 0x00FFFFu);
  EXPECT_EQ(lines[2].Pen.Color, 0xFF0000u);
}

TEST_F(ViewDrawing, NothingInTheFirstOfTwoPasses) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftLeft;
  box.FillColor = 0xFF;
  EngineState().FirstPass = true;
  box.Draw(canvas_);
  EXPECT_TRUE(canvas_.Ops().empty());
}

TEST_F(ViewDrawing, BackgroundCoversTheUnshrunkRectangleOnlyWithAFill) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftLeft | frftTop;
  box.FrameWidth = 4;
  box.Draw(canvas_);
  EXPECT_TRUE(Ops(CanvasOp::Kind::Fill).empty());
  canvas_.Clear();
  box.FillColor = 0x123456;
  box.Draw(canvas_);
  const std::vector<CanvasOp> fills = Ops(CanvasOp::Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].Bounds, (CanvasRect{10, 20, 111, 71}));
  EXPECT_EQ(fills[0].Color, 0x123456u);
  // In design mode the drawing rectangle is filled, white without a fill.
  canvas_.Clear();
  box.FillColor = clNone;
  EngineState().DocMode = kDocModeDesign;
  box.Draw(canvas_);
  ASSERT_EQ(Ops(CanvasOp::Kind::Fill).size(), 1u);
  EXPECT_EQ(Ops(CanvasOp::Kind::Fill)[0].Bounds, (CanvasRect{12, 22, 111, 71}));
  EXPECT_EQ(Ops(CanvasOp::Kind::Fill)[0].Color, clWhite);
}

TEST_F(ViewDrawing, ScaledGeometryShrinksTheDrawingRectangleForFrames) {
  TfrPictureView& box = Box(10, 20, 100, 50);
  box.FrameTyp = frftRight | frftBottom | frftLeft | frftTop;
  box.FrameWidth = 3;
  box.ScaleX = 2;
  box.ScaleY = 0.5;
  box.DrawOffsetX = 5;
  box.DrawOffsetY = 7;
  box.GapX = 2;
  box.GapY = 4;
  box.BeginDraw();
  EXPECT_EQ(box.Left, 25);
  EXPECT_EQ(box.Top, 17);
  EXPECT_EQ(box.Width, 200);
  EXPECT_EQ(box.Height, 25);
  EXPECT_FLOAT_EQ(box.FrameWidth, 6);
  EXPECT_EQ(box.GapX, 4 + 3);   // round(2 x 2) + b, b = round(3)
  EXPECT_EQ(box.GapY, 2 + 0);   // round(4 x 0.5) + d / 2
  // a = round(2.5) = 2, b = 3, c = round(0.25) = 0, d = round(0.75) = 1.
  EXPECT_EQ(box.DrawRect, (TfrRect{27, 17, 225 - 3 + 1, 42 - 1 + 1}));
  box.EndDraw();
  EXPECT_EQ(box.Left, 10);
  EXPECT_EQ(box.Width, 100);
  EXPECT_FLOAT_EQ(box.FrameWidth, 3);
  EXPECT_EQ(box.GapY, 4);
}

struct AlignCase {
  const char* name;
  uint8_t align;
  bool neighbours;
  int32_t left;   // -1: the usable area's left edge, -2: derived from the right edge
  int32_t width;
};
void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.name; }

class ViewBandAlign : public ViewDrawing, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(ViewBandAlign, AlignsAgainstNeighboursOrTheUsableArea) {
  const AlignCase& c = GetParam();
  const int32_t areaLeft = page_->LeftLimit(), areaRight = page_->RightLimit();
  ASSERT_EQ(areaLeft, 20);
  if (c.neighbours) {
    TfrPictureView& left = Box(100, 50, 40, 10);
    left.BandAlign = baLeft;
    TfrPictureView& right = Box(400, 50, 60, 10);
    right.BandAlign = baRight;
    Box(150, 51, 10, 10).BandAlign = baLeft;  // other top: no neighbour
  }
  TfrPictureView& box = Box(200, 50, 50, 10);
  box.BandAlign = c.align;
  box.BeginDraw();
  box.EndDraw();
  int32_t left = c.left, width = c.width;
  switch (c.align) {
    case baRight: left = (c.neighbours ? 400 - 1 : areaRight) - 50; break;
    case baCenter: left = areaLeft + (areaRight - areaLeft - 50) / 2; break;
    case baWidth: left = areaLeft, width = areaRight - areaLeft - 1; break;
    case baRest:
      if (!c.neighbours) width = areaRight - areaLeft, left = areaLeft;
      break;
  }
  EXPECT_EQ(box.Left, left);
  EXPECT_EQ(box.Width, width);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ViewBandAlign,
    ::testing::Values(AlignCase{"LeftAfterNeighbour", baLeft, true, 140, 50},
                      AlignCase{"LeftAtAreaEdge", baLeft, false, 20, 50},
                      AlignCase{"RightBeforeNeighbour", baRight, true, 0, 50},
                      AlignCase{"RightAtAreaEdge", baRight, false, 0, 50},
                      AlignCase{"Centre", baCenter, false, 0, 50},
                      AlignCase{"Width", baWidth, false, 0, 0},
                      AlignCase{"RestBetweenNeighbours", baRest, true, 140, 399 - 140},
                      AlignCase{"RestOfTheArea", baRest, false, 0, 0},
                      AlignCase{"BottomLeavesItHere", baBottom, true, 200, 50}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewDrawing, WidthAlignmentWaitsForTheBandWhileOneIsPrinting) {
  TfrPictureView& box = Box(200, 50, 50, 10);
  box.BandAlign = baWidth;
  TfrBand band(btMasterData, page_);
  EngineState().CurBand = &band;
  box.BeginDraw();
  box.EndDraw();
  EXPECT_EQ(box.Left, 200);
  EXPECT_EQ(box.Width, 50);
}

TEST_F(ViewDrawing, LineDirectionFollowsItsShape) {
  auto& wide = static_cast<TfrLineView&>(*page_->AddObject(std::make_unique<TfrLineView>()));
  wide.SetBounds(10, 20, 100, 3);
  wide.Draw(canvas_);
  EXPECT_EQ(Lines(), (std::vector<Segment>{{{10, 20}, {110, 20}}}));
  EXPECT_EQ(wide.FrameTyp, frftLeft);  // kept as stored
  EXPECT_EQ(wide.Height, 3);

  canvas_.Clear();
  wide.SetBounds(10, 20, 3, 100);
  wide.FrameWidth = 2;
  wide.FrameStyle = psDash;
  wide.FillColor = clNone;
  wide.Draw(canvas_);
  EXPECT_EQ(Lines(), (std::vector<Segment>{{{9, 20}, {9, 120}}, {{10, 20}, {10, 120}}}));
}

TEST_F(ViewDrawing, LineDirectionIsTheSameAtEveryZoom) {
  auto& line = static_cast<TfrLineView&>(*page_->AddObject(std::make_unique<TfrLineView>()));
  line.SetBounds(0, 0, 6, 5);  // at 30 % both sides round to 2
  line.ScaleX = line.ScaleY = 0.3;
  line.Draw(canvas_);
  EXPECT_EQ(Lines(), (std::vector<Segment>{{{0, 0}, {2, 0}}}));
}

TEST_F(ViewDrawing, LineRegionSpreadsAcrossTheDrawnEdge) {
  TfrLineView line;
  line.SetBounds(10, 20, 100, 0);
  line.FrameWidth = 3;
  EXPECT_EQ(line.GetRegion(false), (TfrRect{10, 18, 111, 22}));
  line.SetBounds(10, 20, 0, 100);
  EXPECT_EQ(line.GetRegion(false), (TfrRect{8, 20, 12, 121}));
}

TEST_F(ViewDrawing, SubReportFrameIsAWhiteBoxWithItsName) {
  auto& frame = static_cast<TfrSubReportView&>(*page_->AddObject(std::make_unique<TfrSubReportView>()));
  frame.SetBounds(10, 20, 100, 50);
  frame.Name = "SubReport1";
  frame.Draw(canvas_);
  const std::vector<CanvasOp> boxes = Ops(CanvasOp::Kind::Rectangle);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Bounds, (CanvasRect{10, 20, 111, 71}));
  EXPECT_EQ(boxes[0].Color, clWhite);
  EXPECT_EQ(boxes[0].Pen, (CanvasPen{1, clBlack, PenStyle::Solid}));
  const std::vector<CanvasOp> texts = Ops(CanvasOp::Kind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "SubReport1");
  EXPECT_EQ(texts[0].Font.Name, "Arial");
  EXPECT_EQ(texts[0].Font.PixelHeight, 11);
  EXPECT_EQ(texts[0].Bounds.Left, 12);
}

// Reads back the record Print wrote.
std::unique_ptr<TfrPictureView> ReadPrinted(TMemoryStream& stream) {
  stream.SetPosition(0);
  EXPECT_EQ(ReadU8(stream), 1);  // picture type code
  auto view = std::make_unique<TfrPictureView>();
  view->StreamMode = true;
  ReadViewRecord(stream, *view);
  return view;
}

TEST_F(ViewDrawing, PrintWritesTheRecordWithTagExpandedAndBottomAlignment) {
  TfrPictureView& box = Box(10, 5, 100, 20);
  box.Tag = "id [1+2] end";
  box.BandAlign = baBottom;
  box.StreamMode = true;
  TfrBand band(btMasterData, page_);
  band.Top = 300;
  band.Height = 40;
  band.MeasuredHeight = 60;
  EngineState().CurBand = &band;
  SetStreamVersion(25);
  TMemoryStream stream;
  box.Print(stream);
  std::unique_ptr<TfrPictureView> printed = ReadPrinted(stream);
  EXPECT_EQ(printed->Tag, "id 3 end");
  EXPECT_EQ(printed->Top, 300 + 60 - 20);
  EXPECT_EQ(box.Tag, "id [1+2] end");
}

TEST_F(ViewDrawing, WidthAlignedInACrossBandKeepsTheBandsWidthOnThePage) {
  TfrPictureView& box = Box(10, 5, 100, 20);
  box.BandAlign = baWidth;
  box.StreamMode = true;
  TfrBand band(btCrossData, page_);
  band.Width = 70;
  EngineState().CurBand = &band;
  SetStreamVersion(25);
  TMemoryStream stream;
  box.Print(stream);
  EXPECT_EQ(box.BandAlign, baWidth);
  // Drawn where no band prints, as prepared pages are.
  std::unique_ptr<TfrPictureView> printed = ReadPrinted(stream);
  EngineState().CurBand = nullptr;
  printed->BeginDraw();
  printed->EndDraw();
  EXPECT_EQ(printed->Width, 70);
}

TEST_F(ViewDrawing, PrintOfAHiddenObjectWritesNothingButRunsTheEvent) {
  TfrPictureView& box = Box(10, 5, 100, 20);
  box.Visible = false;
  box.Memo = {"line"};
  std::vector<std::string> seen;
  report_.OnBeforePrint = [&](TfrLines& lines, TfrView* view) {
    seen = lines;
    EXPECT_EQ(view, &box);
  };
  TMemoryStream stream;
  box.Print(stream);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(seen, std::vector<std::string>{"line"});
}

struct PlacementCase {
  const char* name;
  PicturePlacement placement;
  int32_t pictureWidth, pictureHeight;
  CanvasRect expected;
};
void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class PictureTargetRect : public ::testing::TestWithParam<PlacementCase> {};

// A 40 x 40 object at (10, 20): its drawing rectangle is (10, 20, 51, 61).
TEST_P(PictureTargetRect, FollowsStretchedKeepAspectAndCenter) {
  const PlacementCase& c = GetParam();
  EXPECT_EQ(PictureTarget(CanvasRect{10, 20, 51, 61}, 40, 40, c.pictureWidth, c.pictureHeight, 1.5, 1.5,
                          c.placement),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PictureTargetRect,
    ::testing::Values(
        PlacementCase{"StretchedFillsTheRectangle", {true, false, false}, 100, 50, {10, 20, 51, 61}},
        PlacementCase{"KeepAspectWide", {true, true, false}, 100, 50, {10, 20, 51, 40}},
        PlacementCase{"KeepAspectWideCentred", {true, true, true}, 100, 50, {10, 30, 51, 50}},
        PlacementCase{"KeepAspectTall", {true, true, false}, 50, 100, {10, 20, 30, 61}},
        PlacementCase{"KeepAspectTallCentred", {true, true, true}, 50, 100, {20, 20, 40, 61}},
        PlacementCase{"OwnSizeTimesScale", {false, false, false}, 100, 50, {10, 20, 160, 95}},
        PlacementCase{"OwnSizeCentred", {false, true, true}, 20, 10, {15, 33, 45, 48}},
        PlacementCase{"NoPictureWidthDrawsNothing", {true, true, true}, 0, 50, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lf
