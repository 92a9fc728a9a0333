// TfrSubReportView: defaults of a new sub-report frame and its properties.
#include "engine/model/subreport_view.h"

namespace lf {

TfrSubReportView::TfrSubReportView() {
  TypeCode = 3;
  BaseName = "SubReport";
}

void TfrSubReportView::Draw(Canvas&) {}

void TfrSubReportView::DeclareProperties() {
  DeclareBaseProperties();
}

}  // namespace lf
