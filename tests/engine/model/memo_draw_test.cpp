// Drawing text objects on a recording canvas: alignments, justification,
// vertical text, automatic width, underlines, zoom-independent breaks and
// split drawing.
#include <gtest/gtest.h>

#include "engine/model/memo_layout.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/run/engine_state_scope.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"
#include "platform/recording_canvas.h"

namespace lf {
namespace {

// A text object in Liberation Mono 10 pt at (100, 50) whose inner width
// holds ten characters; prepared-page drawing (document mode 1).
class MemoDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    EngineState().DocMode = kDocModePrinting;
    EngineState().CurReport = &report;
    EngineState().CurPage = report.Pages->Add();
    memo.Font.Name = "Liberation Mono";
    advance = TfrAdvanceCache::For(memo.MeasureFont()).CharWidth("M");
    memo.SetBounds(100, 50, 10 * advance + 2 * memo.GapX, 60);
  }

  std::vector<CanvasOp> TextOps() {
    std::vector<CanvasOp> ops;
    for (const CanvasOp& op : canvas.Ops())
      if (op.Type == CanvasOp::Kind::Text) ops.push_back(op);
    return ops;
  }

  EngineStateScope scope;
  ScopedHostCodePage utf8{"UTF-8"};
  TfrReport report;
  TfrMemoView memo;
  RecordingCanvas canvas;
  int32_t advance = 0;
};

TEST_F(MemoDraw, HorizontalAlignmentsPlaceEachLine) {
  memo.WorkLines = {"ab"};
  const int32_t tw = 2 * advance;
  struct Case {
    int32_t alignment;
    int32_t x;
  } cases[] = {{frtaLeft, 100 + memo.GapX},
               {frtaRight, 100 + memo.Width + 1 - memo.GapX - tw - 1},
               {frtaCenter, 100 + memo.GapX + (memo.Width + 1 - 2 * memo.GapX - tw) / 2}};
  for (const Case& c : cases) {
    canvas.Clear();
    memo.Alignment = c.alignment;
    memo.Draw(canvas);
    ASSERT_EQ(TextOps().size(), 1u);
    EXPECT_EQ(TextOps()[0].Bounds.Left, c.x) << c.alignment;
    EXPECT_EQ(TextOps()[0].Bounds.Top, 50 + memo.GapY);
  }
}

TEST_F(MemoDraw, MiddleAndBottomMoveTheBlock) {
  memo.WorkLines = {"ab"};
  const int32_t step = memo.LineSpacing + 13;
  memo.Alignment = frtaMiddle;
  memo.Draw(canvas);
  const int32_t rh = memo.Height + 1;
  EXPECT_EQ(TextOps()[0].Bounds.Top, 50 + memo.GapY + (rh - step - 2 * memo.GapY) / 2);
  canvas.Clear();
  memo.Alignment = frtaDown;
  memo.Draw(canvas);
  EXPECT_EQ(TextOps()[0].Bounds.Top, 50 + rh - step - memo.GapY - 1);
}

TEST_F(MemoDraw, JustifiedParagraphReachesBothEdgesExceptItsLastLine) {
  memo.Alignment = frtaJustify;
  memo.WorkLines = {"aa b cc ddd e"};
  memo.Draw(canvas);
  const std::vector<CanvasOp> ops = TextOps();
  // First line "aa b cc" in three pieces reaching the right edge; the last
  // line "ddd e" drawn whole from the left.
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].Text, "aa ");
  EXPECT_EQ(ops[0].Bounds.Left, 100 + memo.GapX);
  EXPECT_EQ(ops[2].Text, "cc");
  EXPECT_EQ(ops[2].Bounds.Right, 100 + memo.Width + 1 - memo.GapX);
  EXPECT_EQ(ops[3].Text, "ddd e");
  EXPECT_EQ(ops[3].Bounds.Left, 100 + memo.GapX);
  // A no-break space takes its share as well.
  canvas.Clear();
  memo.WorkLines = {"aa\xC2\xA0" "b cc ddd"};
  memo.Draw(canvas);
  ASSERT_EQ(TextOps().size(), 4u);
  EXPECT_EQ(TextOps()[0].Text, "aa\xC2\xA0");
  EXPECT_EQ(TextOps()[2].Bounds.Right, 100 + memo.Width + 1 - memo.GapX);
}

TEST_F(MemoDraw, LinesWithoutParagraphEndAreJustifiedUpToTheLast) {
  memo.Alignment = frtaJustify;
  // The part of a paragraph that a split left on this page.
  memo.WorkLines = {"aa b cc", "\x01"};
  memo.Draw(canvas);
  ASSERT_EQ(TextOps().size(), 3u);
  EXPECT_EQ(TextOps()[2].Bounds.Right, 100 + memo.Width + 1 - memo.GapX);
  // Unwrapped vertical lines are paragraphs of their own.
  canvas.Clear();
  memo.Alignment = frtaJustify | frtaVertical;
  memo.SetFlag(flWordWrap, false);
  memo.WorkLines = {"a b", "c d"};
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"a b", "c d"}));
}

TEST_F(MemoDraw, WidthAlignedTextWrapsInTheWidthItIsGiven) {
  EngineState().CurBand = nullptr;
  memo.BandAlign = baWidth;
  memo.WorkLines = {"aaaa bbbb cccc"};
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"aaaa bbbb cccc"}));
}

TEST_F(MemoDraw, MiddleAndBottomMoveAVerticalBlockRight) {
  memo.WorkLines = {"ab"};
  const int32_t rw = memo.Width + 1, block = memo.LineSpacing + 13 + 2 * memo.GapX;
  memo.Alignment = frtaVertical | frtaMiddle;
  memo.Draw(canvas);
  EXPECT_EQ(TextOps()[0].Bounds.Left, 100 + memo.GapX + (rw - block) / 2);
  canvas.Clear();
  memo.Alignment = frtaVertical | frtaDown;
  memo.Draw(canvas);
  EXPECT_EQ(TextOps()[0].Bounds.Left, 100 + rw - block + memo.GapX);
}

TEST_F(MemoDraw, CentredVerticalTextCentresEachLineAlongTheHeight) {
  memo.Alignment = frtaVertical | frtaCenter;
  memo.SetBounds(100, 50, 40, 10 * advance + 2 * memo.GapY);
  memo.WorkLines = {"abcd", "ab"};
  memo.Draw(canvas);
  const std::vector<CanvasOp> ops = TextOps();
  ASSERT_EQ(ops.size(), 2u);
  const int32_t step = memo.LineSpacing + 13;
  const int32_t top = 50 + memo.GapY, bottom = 50 + memo.Height + 1 - memo.GapY;
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(ops[i].Font.Orientation, 900);
    EXPECT_EQ(ops[i].Bounds.Left, 100 + memo.GapX + static_cast<int32_t>(i) * step);
    EXPECT_LE(std::abs((ops[i].Bounds.Top - top) - (bottom - ops[i].Bounds.Bottom)), 1) << i;
  }
}

TEST_F(MemoDraw, AutoWidthKeepsTheRightEdgeOfARightAlignedObject) {
  memo.SetFlag(flAutoSize, true);
  memo.Alignment = frtaRight;
  memo.WorkLines = {"abc"};
  const int32_t right = memo.Left + memo.Width;
  memo.Draw(canvas);
  EXPECT_EQ(memo.Left + memo.Width, right);
  EXPECT_EQ(memo.Width, 3 * advance + 1 + 2 * memo.GapX + 1);
  EXPECT_EQ(TextOps()[0].Text, "abc");
}

TEST_F(MemoDraw, SameBreaksAtEveryZoom) {
  memo.WorkLines = {"one two three four five six"};
  memo.Draw(canvas);
  const std::vector<std::string> atOne = canvas.Texts();
  canvas.Clear();
  memo.ScaleX = memo.ScaleY = 2.0;
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), atOne);
  EXPECT_EQ(atOne, (std::vector<std::string>{"one two", "three four", "five six"}));
  EXPECT_EQ(TextOps()[0].Font.PixelHeight, 26);
  EXPECT_EQ(TextOps()[1].Bounds.Top - TextOps()[0].Bounds.Top, 2 * memo.LineSpacing + 26);
}

TEST_F(MemoDraw, PreWrappedTextIsNotWrappedAgain) {
  memo.WorkLines = {"one two three", "four\x01", "\x01"};
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"one two three", "four"}));
}

TEST_F(MemoDraw, UnderlinesOnePerLineStep) {
  memo.SetFlag(flUnderlines, true);
  memo.WorkLines = {"x"};
  memo.Draw(canvas);
  std::vector<int32_t> ys;
  for (const CanvasOp& op : canvas.Ops())
    if (op.Type == CanvasOp::Kind::Line) ys.push_back(op.Points[0].Y);
  const int32_t step = memo.LineSpacing + 13;
  ASSERT_EQ(ys.size(), static_cast<size_t>(60 / step));
  EXPECT_EQ(ys[0], 50 + memo.GapY + 2 + 13);
  EXPECT_EQ(ys[1] - ys[0], step);
  // A one-unit step over a huge height draws no more lines than a text may have.
  canvas.Clear();
  memo.LineSpacing = -100;
  memo.Height = 1 << 30;
  memo.Draw(canvas);
  size_t lines = 0;
  for (const CanvasOp& op : canvas.Ops()) lines += op.Type == CanvasOp::Kind::Line;
  EXPECT_EQ(lines, kMaxLayoutLines);
}

// A long text in a short object draws only the lines its clip can show,
// whether they overflow below it or, aligned to the bottom, above it.
TEST_F(MemoDraw, LinesOutsideTheClipAreNotDrawn) {
  for (int i = 0; i < 1000; ++i) memo.WorkLines.push_back(std::to_string(i) + "\x01");
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"0", "1", "2", "3"}));
  EXPECT_EQ(memo.DrawnLines, 1000);
  canvas.Clear();
  memo.Alignment = frtaDown;
  memo.Draw(canvas);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"995", "996", "997", "998", "999"}));
}

TEST_F(MemoDraw, SplitDrawingStopsBeforeTheFirstLineThatPassesTheBottom) {
  memo.WorkLines = {"a\x01", "b\x01", "c\x01", "d\x01", "e\x01"};
  const int32_t step = memo.LineSpacing + 13;
  memo.Height = 2 * step + 2 * memo.GapY;
  memo.DrawMode = drAfterCalcHeight;
  memo.Draw(canvas);
  EXPECT_EQ(memo.DrawnLines, 2);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace lf
