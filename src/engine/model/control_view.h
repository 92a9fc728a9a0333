// TfrControl: base of the dialog controls of dialog pages, each holding one
// platform control.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/model/view.h"

namespace lf {

// The platform control a dialog control places on the engine's dialog
// window; the windowed layer implements it.
class TfrPlatformControl {
 public:
  virtual ~TfrPlatformControl() = default;
  virtual void SetVisible(bool visible) = 0;
  // Page units of the dialog window.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
};

class TfrControl : public TfrView {
 public:
  TfrControl();
  const char* ClassName() const override { return "TfrControl"; }

  // Sizes the platform control to the object and paints it between
  // BeginDraw and EndDraw.
  void Draw(Canvas& canvas) override;
  // Paints the platform control into the drawing canvas; filled with the
  // dialog windows.
  virtual void PaintControl(Canvas& canvas);

  void SetProperty(const std::string& name, const Variant& value) override;

  std::unique_ptr<TfrPlatformControl> Control;  // owned; none until placed
};

}  // namespace lf
