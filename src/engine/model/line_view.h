// TfrLineView: a line, drawn as one frame edge of its rectangle.
#pragma once

#include "engine/model/view.h"

namespace lf {

class TfrLineView : public TfrStretcheable {
 public:
  TfrLineView();
  const char* ClassName() const override { return "TfrLineView"; }

  // Draws the top edge of a rectangle lower than it is wide, else the left
  // edge, with the frame settings (dashed and double lines as for frames).
  void Draw(Canvas& canvas) override;
  // The drawn edge and the frame's reach on both its sides.
  TfrRect GetRegion(bool wide) override;
  // Decided on the unscaled rectangle, so that zoom never turns a line.
  bool Horizontal() const {
    const TUnscaled g = Unscaled();
    return g.Height < g.Width;
  }
  // A stretched line grows with its band: it needs its own height, at least
  // 1, and leaves nothing over when a band splits.
  int32_t CalcHeight() override { return Height; }
  int32_t MinHeight() override { return 1; }
  int32_t RemainHeight() override { return 0; }

  void DeclareProperties() override;
};

}  // namespace lf
