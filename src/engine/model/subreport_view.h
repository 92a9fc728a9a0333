// TfrSubReportView: a frame that prints another template page in its place.
#pragma once

#include <cstdint>

#include "engine/model/view.h"

namespace lf {

class TfrSubReportView : public TfrView {
 public:
  TfrSubReportView();
  const char* ClassName() const override { return "TfrSubReportView"; }

  // Drawing is filled with sub-report drawing.
  void Draw(Canvas& canvas) override;
  void DeclareProperties() override;

  int32_t SubPage = 0;  // index of the template page printed in this frame
};

}  // namespace lf
