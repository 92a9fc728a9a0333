// TfrLineView: defaults of a new line.
#include "engine/model/line_view.h"

namespace lf {

TfrLineView::TfrLineView() {
  TypeCode = 4;
  BaseName = "Line";
  FrameTyp = frftLeft;
  FillColor = clWhite;
}

void TfrLineView::Draw(Canvas&) {}

}  // namespace lf
