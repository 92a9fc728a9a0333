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
  const double w = FrameWidth;
  int32_t b = static_cast<int32_t>(RoundHalfEven(w / 2));
  int32_t a = static_cast<int32_t>(RoundHalfEven((w - 1) / 2));
  if (FrameStyle == psDouble) {
    b = static_cast<int32_t>(RoundHalfEven(1.5 * w));
    a = static_cast<int32_t>(RoundHalfEven(w + (w - 1) / 2));
  }
  TfrRect r{Left, Top, Left + Width + 1, Top + Height + 1};
  if (Horizontal()) {
    r.Top -= b;
    r.Bottom = Top + a + 1;
  } else {
    r.Left -= b;
    r.Right = Left + a + 1;
  }
  if (wide) {
    r.Left -= 10;
    r.Top -= 10;
    r.Right += 10;
    r.Bottom += 10;
  }
  return r;
}

void TfrLineView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
}

}  // namespace lf
