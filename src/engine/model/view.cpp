// TfrView: construction, geometry, naming, the base drawing and printing
// steps shared by every object (band alignment, scaled geometry, fill, frame
// lines, the object's record in the page being formed) and the properties by
// name.
#include "engine/model/view.h"

#include "engine/model/bracket_expansion.h"

#include <algorithm>
#include <cmath>

#include "data/client_dataset.h"
#include "engine/data/large_object.h"
#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/bracket_expansion.h"
#include "engine/model/page.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "platform/canvas.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "platform/saturate.h"
#include "printer/printer_metrics.h"

namespace lf {

int32_t DefaultViewFormat() { return MakeFormatCode(0, 0, 2, FormatSettings().DecimalSeparator); }

TfrView::TfrView() = default;
TfrView::~TfrView() = default;

void TfrView::LoadBlob(TField&) {}
void TfrView::OnHook(TfrView*) {}
void TfrView::AfterLoad() {}
void TfrView::ExportData() {}
void TfrView::LoadFromStream(TStream& stream) { ReadViewRecord(stream, *this); }
void TfrView::SaveToStream(TStream& stream) { WriteViewRecord(stream, *this); }

namespace {

bool IsBandView(const TfrView& view) { return dynamic_cast<const TfrBandView*>(&view) != nullptr; }

bool IsCrossBandKind(int kind) {
  return kind == btCrossHeader || kind == btCrossData || kind == btCrossFooter;
}

// Right edge (exclusive) of the nearest left-aligned object left of view
// with the same top, or the usable area's left edge.
int32_t LeftNeighbourEdge(const TfrPage& page, const TfrView& view, int32_t areaLeft) {
  int32_t edge = areaLeft;
  bool found = false;
  for (const auto& o : page.Objects) {
    if (o.get() == &view || IsBandView(*o) || o->BandAlign != baLeft || o->Top != view.Top) continue;
    if (o->Left >= view.Left) continue;
    const int32_t right = o->Left + o->Width;
    if (!found || right > edge) edge = right;
    found = true;
  }
  return edge;
}

// Where the object's right edge goes: 1 unit left of the nearest
// right-aligned object on its right with the same top, or the usable
// area's right edge.
int32_t RightNeighbourEdge(const TfrPage& page, const TfrView& view, int32_t areaRight) {
  int32_t edge = areaRight;
  bool found = false;
  for (const auto& o : page.Objects) {
    if (o.get() == &view || IsBandView(*o) || o->BandAlign != baRight || o->Top != view.Top) continue;
    if (o->Left <= view.Left) continue;
    const int32_t left = o->Left - 1;
    if (!found || left < edge) edge = left;
    found = true;
  }
  return edge;
}

// The cross band view a design-mode object lies in, or null.
const TfrView* CrossBandAround(const TfrPage& page, const TfrView& view) {
  for (const auto& o : page.Objects) {
    const auto* band = dynamic_cast<const TfrBandView*>(o.get());
    if (!band || !IsCrossBandKind(band->BandType())) continue;
    if (view.Left >= band->Left && band->Left + band->Width >= view.Left + view.Width) return band;
  }
  return nullptr;
}

}  // namespace

void TfrView::AlignHorizontally(const TfrPage& page) {
  const TfrEngineState& state = EngineState();
  const int32_t areaLeft = page.LeftLimit();
  const int32_t areaRight = page.RightLimit();
  switch (BandAlign) {
    case baLeft:
      Left = LeftNeighbourEdge(page, *this, areaLeft);
      break;
    case baRight:
      Left = RightNeighbourEdge(page, *this, areaRight) - Width;
      break;
    case baCenter:
      Left = areaLeft + (areaRight - areaLeft - Width) / 2;
      break;
    case baWidth:
      if (state.DocMode == kDocModeDesign) {
        if (const TfrView* band = CrossBandAround(page, *this)) {
          Left = band->Left;
          Width = band->Width;
          break;
        }
        Left = areaLeft;
        Width = areaRight - areaLeft - 1;
      } else if (state.CurBand == nullptr) {
        Left = areaLeft;
        Width = areaRight - areaLeft - 1;
      }
      break;
    case baRest: {
      const int32_t left = LeftNeighbourEdge(page, *this, areaLeft);
      const int32_t right = RightNeighbourEdge(page, *this, areaRight);
      Left = left;
      Width = std::max(0, right - left);
      break;
    }
    default:
      break;
  }
}

void TfrView::BeginDraw() {
  TfrEngineState& state = EngineState();
  state.CurView = this;
  if (state.CurPage == nullptr) return;
  AlignHorizontally(*state.CurPage);
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
  const int32_t a = RoundToNearestEven((ScaleX * w - 1) / 2);
  const int32_t b = RoundToNearestEven(w * ScaleX / 2);
  const int32_t c = RoundToNearestEven((w * ScaleY - 1) / 2);
  const int32_t d = RoundToNearestEven(w * ScaleY / 2);
  Left = SaturateToInt32(int64_t{RoundToNearestEven(SaveX * ScaleX)} + DrawOffsetX);
  Top = SaturateToInt32(int64_t{RoundToNearestEven(SaveY * ScaleY)} + DrawOffsetY);
  Width = RoundToNearestEven(SaveDX * ScaleX);
  Height = RoundToNearestEven(SaveDY * ScaleY);
  FrameWidth = static_cast<float>(w * ScaleX);
  GapX = SaturateToInt32(int64_t{RoundToNearestEven(SaveGX * ScaleX)} + b);
  GapY = SaturateToInt32(int64_t{RoundToNearestEven(SaveGY * ScaleY)} + d / 2);

  int64_t right = ScaledRight();
  int64_t bottom = ScaledBottom();
  int64_t left = Left, top = Top;
  if (FrameTyp & frftRight) right -= b;
  if (FrameTyp & frftBottom) bottom -= d;
  if (FrameTyp & frftLeft) left += a;
  if (FrameTyp & frftTop) top += c;
  DrawRect = TfrRect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right + 1),
                     SaturateToInt32(bottom + 1)};
  drawing_ = true;
}

void TfrView::EndDraw() {
  if (!drawing_) return;
  drawing_ = false;
  Left = SaveX;
  Top = SaveY;
  Width = SaveDX;
  Height = SaveDY;
  GapX = SaveGX;
  GapY = SaveGY;
  FrameWidth = SaveFW;
}

TfrView::TUnscaled TfrView::Unscaled() const {
  if (drawing_) return {SaveX, SaveY, SaveDX, SaveDY, SaveGX, SaveGY, SaveFW};
  return {Left, Top, Width, Height, GapX, GapY, FrameWidth};
}

// Outside BeginDraw/EndDraw (no current page) the rectangle is unscaled.
int32_t TfrView::ScaledRight() const {
  return drawing_ ? RoundToNearestEven((static_cast<double>(SaveX) + SaveDX) * ScaleX + DrawOffsetX)
                  : SaturateToInt32(int64_t{Left} + Width);
}
int32_t TfrView::ScaledBottom() const {
  return drawing_ ? RoundToNearestEven((static_cast<double>(SaveY) + SaveDY) * ScaleY + DrawOffsetY)
                  : SaturateToInt32(int64_t{Top} + Height);
}

void TfrView::DrawBackground() {
  const TfrEngineState& state = EngineState();
  if (DrawCanvas == nullptr || state.FirstPass) return;
  const uint32_t brush = FillColor == clNone ? clWhite : FillColor;
  if (state.DocMode == kDocModePrinting) {
    if (FillColor == clNone) return;
    DrawCanvas->FillRect(CanvasRect{Left, Top, ScaledRight() + 1, ScaledBottom() + 1}, brush);
  } else {
    DrawCanvas->FillRect(CanvasRect{DrawRect.Left, DrawRect.Top, DrawRect.Right, DrawRect.Bottom},
                         brush);
  }
}

namespace {

PenStyle PenStyleOf(uint16_t frameStyle) {
  switch (frameStyle) {
    case psDash: return PenStyle::Dash;
    case psDot: return PenStyle::Dot;
    case psDashDot: return PenStyle::DashDot;
    case psDashDotDot: return PenStyle::DashDotDot;
    default: return PenStyle::Solid;
  }
}

// One frame edge from (x1, y1) to (x2, y2); (dx, dy) is the unit step
// across the edge.
struct FrameEdge {
  int32_t x1, y1, x2, y2, dx, dy;
};

}  // namespace

void TfrView::DrawFrame() {
  const TfrEngineState& state = EngineState();
  if (DrawCanvas == nullptr || state.FirstPass) return;
  if (FrameTyp == frftNone) return;
  Canvas& canvas = *DrawCanvas;
  const int32_t width = RoundToNearestEven(FrameWidth);
  const int32_t left = Left, top = Top;
  const int32_t right = ScaledRight(), bottom = ScaledBottom();

  FrameEdge edges[4];
  int count = 0;
  if (FrameTyp & frftRight) edges[count++] = {right, top, right, bottom, 1, 0};
  if (FrameTyp & frftLeft) edges[count++] = {left, top, left, bottom, 1, 0};
  if (FrameTyp & frftBottom) edges[count++] = {left, bottom, right, bottom, 0, 1};
  if (FrameTyp & frftTop) edges[count++] = {left, top, right, top, 0, 1};

  const uint32_t fill = FillColor == clNone ? clWhite : FillColor;
  for (int i = 0; i < count; ++i) {
    const FrameEdge& e = edges[i];
    auto line = [&](int32_t offset, const CanvasPen& pen) {
      canvas.Line(e.x1 + e.dx * offset, e.y1 + e.dy * offset, e.x2 + e.dx * offset,
                  e.y2 + e.dy * offset, pen);
    };
    if (FrameStyle == psSolid || FrameStyle > psDouble) {
      line(0, CanvasPen{width, FrameColor, PenStyle::Solid});
    } else if (FrameStyle == psDouble) {
      line(-width, CanvasPen{width, FrameColor, PenStyle::Solid});
      line(0, CanvasPen{width, fill, PenStyle::Solid});
      line(width, CanvasPen{width, FrameColor, PenStyle::Solid});
    } else {
      // Wide dashed lines are drawn as parallel one-unit lines so that the
      // pattern keeps its size; the gaps take the fill colour.
      const int32_t lines = std::clamp(width, 1, kMaxDashedFrameLines);
      const double step = width > lines ? static_cast<double>(width) / lines : 1.0;
      const CanvasPen dashed{1, FrameColor, PenStyleOf(FrameStyle)};
      const CanvasPen gap{1, FillColor, PenStyle::Solid};
      for (int32_t k = 0; k < lines; ++k) {
        const int32_t offset = -width / 2 + RoundToNearestEven(k * step);
        if (FillColor != clNone) line(offset, gap);
        line(offset, dashed);
      }
    }
  }
}

void TfrView::Print(TStream& stream) {
  TfrEngineState& state = EngineState();
  BeginDraw();
  WorkLines = Memo;
  if (BoundDataSet != nullptr)
    if (TField* field = BoundDataSet->LookupField(DataField); IsLargeObjectField(field))
      LoadBlob(*field);
  if (state.CurReport != nullptr && state.CurReport->OnBeforePrint)
    state.CurReport->OnBeforePrint(WorkLines, this);
  if (!Script.empty()) Globals().Interpreter->DoScript(Script);
  if (Visible) {
    const std::string savedTag = Tag;
    const uint8_t savedAlign = BandAlign;
    if (Tag.find('[') != std::string::npos) Tag = ExpandBrackets(Tag);
    if (const TfrBand* band = state.CurBand) {
      const int32_t bandHeight = band->MeasuredHeight >= 0 ? band->MeasuredHeight : band->Height;
      if (BandAlign == baBottom) {
        Top = band->Top + bandHeight - Height;
      } else if (BandAlign == baTop) {
        Top = band->Top;
      } else if (BandAlign == baWidth && IsCrossBandKind(band->Kind)) {
        // Placed in its column: the prepared page must not widen it again.
        Width = band->Width;
        BandAlign = baNone;
      }
    }
    WriteU8(stream, TypeCode);
    if (TypeCode == 10) WriteFrString(stream, ClassName());
    const bool savedMode = StreamMode;
    StreamMode = true;
    SaveToStream(stream);
    StreamMode = savedMode;
    Tag = savedTag;
    BandAlign = savedAlign;
  }
  EndDraw();
}

TfrView::FrameReach TfrView::ReachOfFrame() const {
  const double w = FrameWidth;
  if (FrameStyle == psDouble) return {RoundToNearestEven(1.5 * w), RoundToNearestEven(w + (w - 1) / 2)};
  return {RoundToNearestEven(w / 2), RoundToNearestEven((w - 1) / 2)};
}

TfrRect TfrView::Widened(TfrRect r, bool wide) {
  if (wide) {
    r.Left -= 10;
    r.Top -= 10;
    r.Right += 10;
    r.Bottom += 10;
  }
  return r;
}

TfrRect TfrView::GetRegion(bool wide) {
  const FrameReach reach = ReachOfFrame();
  TfrRect r{Left, Top, Left + Width + 1, Top + Height + 1};
  if (FrameTyp & frftLeft) r.Left -= reach.outside;
  if (FrameTyp & frftTop) r.Top -= reach.outside;
  if (FrameTyp & frftRight) r.Right += reach.past;
  if (FrameTyp & frftBottom) r.Bottom += reach.past;
  return Widened(r, wide);
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
