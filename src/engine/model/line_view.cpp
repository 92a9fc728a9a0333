// TfrLineView: defaults of a new line and its properties.
#include "engine/model/line_view.h"

namespace lf {

TfrLineView::TfrLineView() {
  TypeCode = 4;
  BaseName = "Line";
  FrameTyp = frftLeft;
  FillColor = clWhite;
}

void TfrLineView::Draw(Canvas&) {}

void TfrLineView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
}

}  // namespace lf
