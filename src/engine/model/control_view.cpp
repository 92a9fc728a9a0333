// TfrControl: defaults of a new dialog control and its drawing frame.
#include "engine/model/control_view.h"

namespace lf {

TfrControl::TfrControl() {
  FillColor = clBtnFace;
  FrameTyp = frftNone;
}

void TfrControl::Draw(Canvas& canvas) {
  if (Control) Control->SetBounds(Left, Top, Width, Height);
  DrawCanvas = &canvas;
  BeginDraw();
  PaintControl(canvas);
  EndDraw();
}

void TfrControl::PaintControl(Canvas&) {}

}  // namespace lf
