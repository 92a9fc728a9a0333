// TfrView: construction, geometry, naming and the base drawing steps.
#include "engine/model/view.h"

#include <cmath>

#include "engine/run/globals.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/template/template_view_record.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"

namespace lf {

int32_t DefaultViewFormat() { return MakeFormatCode(0, 0, 2, FormatSettings().DecimalSeparator); }

TfrView::TfrView() = default;
TfrView::~TfrView() = default;

void TfrView::DrawBackground() {}
void TfrView::DrawFrame() {}
void TfrView::LoadBlob(TField&) {}
void TfrView::OnHook(TfrView*) {}
void TfrView::AfterLoad() {}
void TfrView::Print(TStream&) {}
void TfrView::ExportData() {}
void TfrView::LoadFromStream(TStream& stream) { ReadViewRecord(stream, *this); }
void TfrView::SaveToStream(TStream& stream) { WriteViewRecord(stream, *this); }

namespace {
int32_t Round(double v) { return static_cast<int32_t>(RoundHalfEven(v)); }
}  // namespace

void TfrView::BeginDraw() {
  TfrEngineState& state = EngineState();
  state.CurView = this;
  if (state.DocMode == kDocModeDesign) {
    ScaleX = ScaleY = 1.0;
    DrawOffsetX = DrawOffsetY = 0;
  }
  SaveX = Left;
  SaveY = Top;
  SaveDX = Width;
  SaveDY = Height;
  SaveGX = GapX;
  SaveGY = GapY;
  SaveFW = FrameWidth;

  const double w = FrameWidth;
  const int32_t a = Round((ScaleX * w - 1) / 2);
  const int32_t b = Round(w * ScaleX / 2);
  const int32_t c = Round((w * ScaleY - 1) / 2);
  const int32_t d = Round(w * ScaleY / 2);
  Left = Round(SaveX * ScaleX) + DrawOffsetX;
  Top = Round(SaveY * ScaleY) + DrawOffsetY;
  Width = Round(SaveDX * ScaleX);
  Height = Round(SaveDY * ScaleY);
  FrameWidth = static_cast<float>(w * ScaleX);
  GapX = Round(SaveGX * ScaleX) + b;
  GapY = Round(SaveGY * ScaleY) + d / 2;

  int32_t right = Round((SaveX + SaveDX) * ScaleX + DrawOffsetX);
  int32_t bottom = Round((SaveY + SaveDY) * ScaleY + DrawOffsetY);
  int32_t left = Left, top = Top;
  if (FrameTyp & frftRight) right -= b;
  if (FrameTyp & frftBottom) bottom -= d;
  if (FrameTyp & frftLeft) left += a;
  if (FrameTyp & frftTop) top += c;
  DrawRect = TfrRect{left, top, right + 1, bottom + 1};
}

void TfrView::EndDraw() {
  Left = SaveX;
  Top = SaveY;
  Width = SaveDX;
  Height = SaveDY;
  GapX = SaveGX;
  GapY = SaveGY;
  FrameWidth = SaveFW;
}

TfrRect TfrView::GetRegion(bool wide) {
  const double w = FrameWidth;
  int32_t b = Round(w / 2);
  int32_t a = Round((w - 1) / 2);
  if (FrameStyle == psDouble) {
    b = Round(1.5 * w);
    a = Round(w + (w - 1) / 2);
  }
  TfrRect r;
  r.Left = (FrameTyp & frftLeft) ? Left - b : Left;
  r.Top = (FrameTyp & frftTop) ? Top - b : Top;
  r.Right = (FrameTyp & frftRight) ? Left + Width + a + 1 : Left + Width + 1;
  r.Bottom = (FrameTyp & frftBottom) ? Top + Height + a + 1 : Top + Height + 1;
  if (wide) {
    r.Left -= 10;
    r.Top -= 10;
    r.Right += 10;
    r.Bottom += 10;
  }
  return r;
}

void TfrView::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TfrView::UniqueName(const TfrReport& report) {
  std::string name = UniqueObjectName(report, BaseName);
  if (!name.empty()) Name = std::move(name);
}

}  // namespace lf
