// TfrView: construction, geometry, naming, the base drawing steps and the properties by name.
#include "engine/model/view.h"

#include <cmath>
#include "engine/model/page.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
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

namespace {

// Flags bits reached as boolean properties, by name.
struct TFlagName {
  const char* name;
  uint16_t bit;
};
constexpr TFlagName kFlagNames[] = {
    {"STRETCHED", flStretched},
    {"WORDWRAP", flWordWrap},
    {"FORMNEWPAGE", flBandNewPageAfter},
    {"CENTER", flPictCenter},
    {"WORDBREAK", flWordBreak},
    {"PRINTIFSUBSETEMPTY", flBandPrintIfSubsetEmpty},
    {"KEEPASPECT", flPictRatio},
    {"AUTOWIDTH", flAutoSize},
    {"BREAKED", flBandBreaked},
    {"TEXTONLY", flTextOnly},
    {"ONFIRSTPAGE", flBandOnFirstPage},
    {"SUPPRESS", flSuppressRepeated},
    {"ONLASTPAGE", flBandOnLastPage},
    {"HIDEZEROS", flHideZeros},
    {"REPEATHEADER", flBandRepeatHeader},
    {"UNDERLINES", flUnderlines},
    {"PRINTCHILDIFINVISIBLE", flBandPrintChildIfInvisible},
    {"RTLREADING", flRTLReading},
};

uint16_t FlagBitOf(const std::string& name) {
  for (const TFlagName& f : kFlagNames)
    if (name == f.name) return f.bit;
  return 0;
}

const char* kFrameStyles = "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble";
const char* kBandAligns = "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest";

}  // namespace

void TfrView::DeclareBaseProperties() {
  AddProperty("Name", pkString);
  AddProperty("Left", pkInteger);
  AddProperty("Top", pkInteger);
  AddProperty("Width", pkInteger);
  AddProperty("Height", pkInteger);
  AddProperty("Flags", pkInteger);
  AddProperty("Visible", pkBoolean);
  AddProperty("Memo", pkLines);
  AddProperty("Memo.Count", pkInteger | pkReadOnly);
  AddProperty("Restrictions", pkInteger);
}

void TfrView::DeclareProperties() {
  DeclareBaseProperties();
  // Frame, fill and alignment: every view but bands and sub-report frames,
  // which declare only the base names.
  AddProperty("FrameTyp", pkInteger);
  AddProperty("FrameWidth", pkFloat);
  AddProperty("FrameColor", pkColor);
  AddEnumProperty("FrameStyle", kFrameStyles);
  AddProperty("FillColor", pkColor);
  AddProperty("Tag", pkString);
  AddEnumProperty("BandAlign", kBandAligns);
}

Variant TfrView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return Variant::Null();
  if (n == "NAME") return Variant(Name);
  if (n == "LEFT") return Variant(static_cast<int64_t>(Left));
  if (n == "TOP") return Variant(static_cast<int64_t>(Top));
  if (n == "WIDTH") return Variant(static_cast<int64_t>(Width));
  if (n == "HEIGHT") return Variant(static_cast<int64_t>(Height));
  if (n == "FLAGS") return Variant(static_cast<int64_t>(Flags));
  if (n == "VISIBLE") return Variant(Visible);
  if (n == "MEMO") return Variant(JoinLines(Memo));
  if (n == "MEMO.COUNT") return Variant(static_cast<int64_t>(Memo.size()));
  if (n == "FRAMETYP") return Variant(static_cast<int64_t>(FrameTyp));
  if (n == "FRAMEWIDTH") return Variant(static_cast<double>(FrameWidth));
  if (n == "FRAMECOLOR") return ColorValue(FrameColor);
  if (n == "FRAMESTYLE") return Variant(static_cast<int64_t>(FrameStyle));
  if (n == "FILLCOLOR") return ColorValue(FillColor);
  if (n == "TAG") return Variant(Tag);
  if (n == "BANDALIGN") return Variant(static_cast<int64_t>(BandAlign));
  if (n == "GAPX") return Variant(static_cast<int64_t>(GapX));
  if (n == "GAPY") return Variant(static_cast<int64_t>(GapY));
  if (uint16_t bit = FlagBitOf(n)) return Variant(HasFlag(bit));
  return Variant::Null();  // Restrictions and names only an editor uses
}

void TfrView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return;
  if (n == "NAME") Name = value.AsText();
  else if (n == "LEFT") Left = Int32Of(n, value);
  else if (n == "TOP") Top = Int32Of(n, value);
  else if (n == "WIDTH") Width = Int32Of(n, value);
  else if (n == "HEIGHT") Height = Int32Of(n, value);
  else if (n == "FLAGS") Flags = Bits16Of(value);
  else if (n == "VISIBLE") Visible = value.AsBoolean();
  else if (n == "MEMO") Memo = SplitLines(value.AsText());
  else if (n == "FRAMETYP") FrameTyp = Bits16Of(value);
  else if (n == "FRAMEWIDTH") FrameWidth = static_cast<float>(value.AsDouble());
  else if (n == "FRAMECOLOR") FrameColor = ColorOf(n, value);
  else if (n == "FRAMESTYLE") FrameStyle = static_cast<uint16_t>(EnumOf(*this, n, value));
  else if (n == "FILLCOLOR") FillColor = ColorOf(n, value);
  else if (n == "TAG") Tag = value.AsText();
  else if (n == "BANDALIGN") BandAlign = static_cast<uint8_t>(EnumOf(*this, n, value));
  else if (n == "GAPX") GapX = Int32Of(n, value);
  else if (n == "GAPY") GapY = Int32Of(n, value);
  else if (uint16_t bit = FlagBitOf(n)) SetFlag(bit, value.AsBoolean());
  // Restrictions, Memo.Count and editor-only names are not written.
}

void TfrView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                         const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  if (n == "HIDE") SetProperty("VISIBLE", Variant(false));
  else if (n == "SHOW") SetProperty("VISIBLE", Variant(true));
  else CallLinesMethod(Memo, "MEMO", n, p1, p2, p3, result);
}

void TfrStretcheable::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                                 const Variant& p3, Variant& result) {
  if (PropName(name) == "CALCHEIGHT") {
    result = Variant(static_cast<int64_t>(CalcHeight()));
    return;
  }
  TfrView::CallMethod(name, p1, p2, p3, result);
}

}  // namespace lf
