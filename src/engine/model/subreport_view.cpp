// TfrSubReportView: defaults of a new sub-report frame.
#include "engine/model/subreport_view.h"

namespace lf {

TfrSubReportView::TfrSubReportView() {
  TypeCode = 3;
  BaseName = "SubReport";
}

void TfrSubReportView::Draw(Canvas&) {}

}  // namespace lf
