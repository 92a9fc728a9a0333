// TfrControl: defaults of a new dialog control, its drawing frame and visibility.
#include "engine/model/control_view.h"

#include "engine/model/properties.h"

namespace lf {

TfrControl::TfrControl() {
  FillColor = clBtnFace;
  FrameTyp = frftNone;
}

void TfrControl::Draw(Canvas& canvas) {
  if (Control) Control->SetBounds(Left, Top, Width, Height);
  BeginDraw();
  PaintControl(canvas);
  EndDraw();
}

void TfrControl::PaintControl(Canvas&) {}

void TfrControl::SetProperty(const std::string& name, const Variant& value) {
  TfrView::SetProperty(name, value);
  if (PropName(name) == "VISIBLE" && Control) Control->SetVisible(Visible);
}

}  // namespace lf
