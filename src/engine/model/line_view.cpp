// TfrLineView: defaults of a new line, its properties, and its drawing as
// the top or left frame edge of its rectangle, whichever its shape calls for.
#include "engine/model/line_view.h"

#include <cmath>

#include "engine/expr/variant.h"

namespace lf {

TfrLineView::TfrLineView() {
  TypeCode = 4;
  BaseName = "Line";
  FrameTyp = frftLeft;
  FillColor = clWhite;
}

void TfrLineView::Draw(Canvas& canvas) {
  DrawCanvas = &canvas;
  BeginDraw();
  const uint16_t savedFrame = FrameTyp;
  if (Horizontal()) {
    Height = 0;
    FrameTyp = frftTop;
  } else {
    Width = 0;
    FrameTyp = frftLeft;
  }
  DrawFrame();
  FrameTyp = savedFrame;
  EndDraw();
}

TfrRect TfrLineView::GetRegion(bool wide) {
  const FrameReach reach = ReachOfFrame();
  TfrRect r{Left, Top, Left + Width + 1, Top + Height + 1};
  if (Horizontal()) {
    r.Top -= reach.outside;
    r.Bottom = Top + reach.past + 1;
  } else {
    r.Left -= reach.outside;
    r.Right = Left + reach.past + 1;
  }
  return Widened(r, wide);
}

void TfrLineView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
}

}  // namespace lf
