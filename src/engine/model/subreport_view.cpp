// TfrSubReportView: defaults of a new sub-report frame, its properties, and
// its drawing as a white box with the object's name.
#include "engine/model/subreport_view.h"

#include "platform/canvas.h"

namespace lf {

TfrSubReportView::TfrSubReportView() {
  TypeCode = 3;
  BaseName = "SubReport";
}

void TfrSubReportView::Draw(Canvas& canvas) {
  DrawCanvas = &canvas;
  BeginDraw();
  const CanvasRect box{Left, Top, Left + Width + 1, Top + Height + 1};
  canvas.Rectangle(box, CanvasPen{1, clBlack, PenStyle::Solid}, clWhite);
  CanvasFont font;
  font.Name = "Arial";
  font.PixelHeight = (8 * canvas.DotsPerInch() + 36) / 72;  // 8 points
  font.Color = clBlack;
  canvas.SetFont(font);
  TextOutOptions options;
  options.Clipped = true;
  options.ClipRect = box;
  canvas.TextOut(Left + 2, Top + 2, Name, options);
  EndDraw();
}

void TfrSubReportView::DeclareProperties() {
  DeclareBaseProperties();
}

}  // namespace lf
