// TfrSubReportView: a frame that prints another template page in its place.
#pragma once

#include <cstdint>

#include "engine/model/view.h"

namespace lf {

class TfrSubReportView : public TfrView {
 public:
  TfrSubReportView();
  const char* ClassName() const override { return "TfrSubReportView"; }

  // A white box with a black one-unit border and the object's name in
  // 8-point Arial two units in from its top left.
  void Draw(Canvas& canvas) override;
  void DeclareProperties() override;

  int32_t SubPage = 0;  // index of the template page printed in this frame
};

}  // namespace lf
