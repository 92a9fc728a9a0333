// TfrMemoView: defaults, properties by name, expansion, layout heights,
// highlight and printing into the page being prepared.
#include "engine/model/memo_view.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "data/client_dataset.h"
#include "engine/model/band.h"
#include "engine/model/band_kind.h"
#include "engine/model/bracket_expansion.h"
#include "engine/model/memo_layout.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/model/view_factory.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "platform/canvas.h"
#include "platform/saturate.h"
#include "platform/stream.h"
#include "printer/printer_metrics.h"

namespace lf {

TfrMemoView::TfrMemoView() {
  TypeCode = 0;
  BaseName = "Memo";
  Flags = flStretched | flWordWrap;
}

bool HoldsMarker(const TfrLines& lines) {
  for (const std::string& l : lines)
    if (l.find(kParagraphMarker) != std::string::npos) return true;
  return false;
}

int32_t TfrMemoView::FontPixelHeight() const {
  const int32_t size = std::clamp<int32_t>(Font.Size, 0, kMaxFontSize);
  return std::max<int32_t>(1, RoundToNearestEven(size * 96.0 / 72.0));
}

int32_t TfrMemoView::LineStepAtScaleOne() const {
  return std::max<int32_t>(1, SaturateToInt32(int64_t{LineSpacing} + FontPixelHeight()));
}

CanvasFont TfrMemoView::MeasureFont() const {
  CanvasFont f;
  f.Name = Font.Name;
  f.PixelHeight = FontPixelHeight();
  f.Style = Font.Style;
  f.Color = Font.Color;
  f.Charset = static_cast<uint8_t>(Font.Charset);
  f.Orientation = (Alignment & frtaVertical) ? 900 : 0;
  return f;
}

TfrMemoBox TfrMemoView::LayoutBox() const {
  const TUnscaled g = Unscaled();
  const int32_t half = RoundToNearestEven(g.FrameWidth / 2.0);
  return {g.Left, g.Top, g.Width, g.Height, SaturateToInt32(int64_t{g.GapX} + half),
          SaturateToInt32(int64_t{g.GapY} + half / 2)};
}

void TfrMemoView::Expand() {
  WorkLines.clear();
  size_t expanded = 0;  // bytes of all lines: each may hold a long value
  for (const std::string& line : Memo) {
    const std::string text = HasFlag(flTextOnly) ? line : ExpandBrackets(line);
    expanded += text.size();
    CheckTextLength(expanded);
    AppendText(WorkLines, text);
  }
}

void TfrMemoView::Wrap(bool preparing, int32_t extraWidth) {
  TfrMemoBox box = LayoutBox();
  box.Width = SaturateToInt32(int64_t{box.Width} + extraWidth);
  const bool vertical = (Alignment & frtaVertical) != 0;
  LineStep = LineStepAtScaleOne();
  LayoutLines.clear();

  TfrWrapOptions options;
  options.AvailableWidth = SaturateToInt32(vertical ? int64_t{box.Height} - 2 * int64_t{box.GapY}
                                                    : int64_t{box.Width} - 2 * int64_t{box.GapX});
  options.CharSpacing = CharSpacing;
  options.WordBreak = HasFlag(flWordBreak);
  options.MaxLines = kMaxLayoutLines;
  options.OwnerName = Name;
  TfrAdvanceCache& advances = TfrAdvanceCache::For(MeasureFont());

  const bool keepLongBracket = !preparing && !vertical && EngineState().DocMode == kDocModeDesign &&
                               WorkLines.size() == 1 && !WorkLines[0].empty() &&
                               WorkLines[0][0] == '[' &&
                               advances.TextWidth(WorkLines[0], CharSpacing) > options.AvailableWidth;
  auto add = [&](std::string line) {
    if (LayoutLines.size() >= kMaxLayoutLines)
      throw EMemoLayoutError("Object " + Name + ": the text needs more than " +
                             std::to_string(kMaxLayoutLines) + " lines");
    LayoutLines.push_back(std::move(line));
  };
  for (const std::string& line : WorkLines) {
    if (PreWrapped || keepLongBracket) add(line);
    else if (HasFlag(flWordWrap)) WrapLine(line, options, advances, LayoutLines);
    else add(vertical ? line : line + kParagraphMarker);
  }
  DrawnLines = static_cast<int32_t>(LayoutLines.size());
  const int64_t extent = static_cast<int64_t>(LayoutLines.size()) * LineStep +
                         2 * static_cast<int64_t>(vertical ? box.GapX : box.GapY);
  TextHeight = static_cast<int32_t>(std::min<int64_t>(extent, INT32_MAX));
}

int32_t TfrMemoView::MinHeight() {
  LineStep = LineStepAtScaleOne();
  return SaturateToInt32(int64_t{RoundToNearestEven(FrameWidth)} * 2 + LineSpacing + int64_t{GapY} * 2 + FontPixelHeight());
}

int32_t TfrMemoView::RemainHeight() {
  LineStep = LineStepAtScaleOne();
  const int64_t frame = RoundToNearestEven(FrameWidth);
  const int64_t inner = Height - 2 * frame - 2 * int64_t{GapY};
  int64_t rest = inner % LineStep;
  if (rest < 0) rest += LineStep;
  return SaturateToInt32(2 * int64_t{GapY} + 2 * frame + rest);
}

void TfrMemoView::RunScript() {
  if (Script.empty()) return;
  TfrGlobals& g = Globals();
  if (g.Interpreter) g.Interpreter->DoScript(Script);
}

void TfrMemoView::LoadBlob(TField& field) {
  WorkLines = field.IsNull() ? TfrLines{} : SplitLines(field.AsString());
}

bool TfrMemoView::LoadAndNotify() {
  WorkLines = Memo;
  if (BoundDataSet && !DataField.empty()) {
    if (TField* field = BoundDataSet->LookupField(DataField)) LoadBlob(*field);
  }
  TfrReport* report = EngineState().CurReport;
  if (report && report->OnBeforePrint) report->OnBeforePrint(WorkLines, this);
  return WorkLines != Memo;
}

void TfrMemoView::PrepareHighlight() {
  if (HighlightPostfix || Highlight.Condition.empty()) return;
  try {
    Highlight.Condition = SharedParser().ToPostfix(Highlight.Condition);
    HighlightPostfix = true;
  } catch (const std::exception&) {
    // A condition that does not convert never holds.
    Highlight.Condition.clear();
  }
}

bool TfrMemoView::ApplyHighlight(TSavedLook& saved) {
  saved = {Font.Style, Font.Color, FillColor};
  if (Highlight.Condition.empty()) return false;
  try {
    TfrParser& parser = SharedParser();
    const Variant v = HighlightPostfix ? parser.EvaluatePostfix(Highlight.Condition)
                                       : parser.Evaluate(Highlight.Condition);
    if (v.Equals(Variant(0))) return false;
  } catch (const std::exception&) {
    return false;
  }
  Font.Style = Highlight.FontStyle;
  Font.Color = Highlight.FontColor;
  FillColor = Highlight.FillColor;
  return true;
}

void TfrMemoView::RestoreLook(const TSavedLook& saved) {
  Font.Style = saved.Style;
  Font.Color = saved.FontColor;
  FillColor = saved.FillColor;
}

int32_t TfrMemoView::CalcHeight() {
  EngineState().CurView = this;
  RunScript();
  if (!Visible) return 0;
  if (!LoadAndNotify()) Expand();
  TSavedLook look;
  ApplyHighlight(look);
  struct Restore {
    TfrMemoView& v;
    const TSavedLook& l;
    ~Restore() { v.RestoreLook(l); }
  } restore{*this, look};

  PreWrapped = HoldsMarker(WorkLines);
  Wrap(true);
  WorkLines = LayoutLines;
  PreWrapped = true;
  int32_t height = TextHeight;
  if (HasFlag(flSuppressRepeated)) {
    const std::string text = JoinLines(WorkLines);
    if (text == LastPrintedText) height = 0;
    if (EngineState().FirstPass) LastPrintedText = text;
  }
  return height;
}

int32_t TfrMemoView::FittingLines(const TfrLines& lines, int32_t height) const {
  const TfrMemoBox box = LayoutBox();
  const int32_t step = LineStepAtScaleOne();
  // The drawing rectangle's bottom: a bottom frame line takes half its width.
  int64_t bottom = static_cast<int64_t>(box.Top) + height + 1;
  if (FrameTyp & frftBottom) bottom -= RoundToNearestEven(FrameWidth / 2.0);
  int64_t y = static_cast<int64_t>(box.Top) + box.GapY;
  int32_t count = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (y + step > bottom) break;
    y += step;
    ++count;
  }
  return count;
}

void TfrMemoView::Print(TStream& stream) {
  DrawCanvas = nullptr;
  EngineState().CurView = this;
  const uint8_t mode = DrawMode;
  struct ModeReset {
    TfrMemoView& v;
    ~ModeReset() {
      v.DrawMode = drAll;
      v.AtLeastOneLine = false;
    }
  } modeReset{*this};

  bool changed = false;
  if (mode == drAll) {
    RunScript();
    TfrReport* report = EngineState().CurReport;
    if (report && report->OnBeforePrint) changed = LoadAndNotify();
  }
  if (mode == drAll && !changed) Expand();
  if (!Visible) return;

  TSavedLook look;
  ApplyHighlight(look);
  const std::string savedTag = Tag;
  const int32_t savedTop = Top, savedWidth = Width;
  const uint8_t savedAlign = BandAlign;
  struct Restore {
    TfrMemoView& v;
    const TSavedLook& l;
    const std::string& tag;
    int32_t top, width;
    uint8_t align;
    ~Restore() {
      v.RestoreLook(l);
      v.Tag = tag;
      v.Top = top;
      v.Width = width;
      v.BandAlign = align;
    }
  } restore{*this, look, savedTag, savedTop, savedWidth, savedAlign};

  TfrLines kept;
  if (mode == drAfterCalcHeight) {
    PreWrapped = HoldsMarker(WorkLines);
    Wrap(true);
    kept = LayoutLines;
    DrawnLines = FittingLines(kept, Height);
    if (DrawnLines == 0 && AtLeastOneLine && !kept.empty()) DrawnLines = 1;
    WorkLines.assign(kept.begin(), kept.begin() + DrawnLines);
    if (!HoldsMarker(WorkLines)) WorkLines.push_back(std::string(1, kParagraphMarker));
  }

  {
    const int32_t savedFormat = Format;
    Format = MakeFormatCode(0, 0, 0, 0);
    struct FormatBack {
      TfrMemoView& v;
      int32_t f;
      ~FormatBack() { v.Format = f; }
    } formatBack{*this, savedFormat};
    Tag = ExpandBrackets(Tag);
  }

  if (BandAlign == baBottom) BandAlign = baNone;
  if (Parent) {
    if (BandAlign == baTop) Top = Parent->Top;
    if (BandAlign == baWidth &&
        (Parent->Kind == btCrossHeader || Parent->Kind == btCrossData || Parent->Kind == btCrossFooter)) {
      Width = Parent->Width;
      BandAlign = baNone;
    }
  }

  const std::string text = JoinLines(WorkLines);
  if (!(HasFlag(flSuppressRepeated) && text == LastPrintedText)) {
    WriteU8(stream, TypeCode);
    if (TypeCode == gtAddIn) WriteFrString(stream, ClassName());
    const bool savedStreamMode = StreamMode;
    StreamMode = true;
    try {
      WriteViewRecord(stream, *this);
    } catch (...) {
      StreamMode = savedStreamMode;
      throw;
    }
    StreamMode = savedStreamMode;
    if (HasFlag(flSuppressRepeated)) LastPrintedText = text;
  }

  if (mode == drAfterCalcHeight) {
    WorkLines.assign(kept.begin() + DrawnLines, kept.end());
    PreWrapped = true;
  }
}

void TfrMemoView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Font.Name", pkString);
  AddProperty("Font.Size", pkInteger);
  AddProperty("Font.Style", pkInteger);
  AddProperty("Font.Color", pkColor);
  AddProperty("Font", pkFont | pkHasEditor);
  AddProperty("Alignment", pkInteger);
  AddProperty("DisplayFormat", pkString | pkHasEditor);
  AddProperty("Highlight", pkString | pkHasEditor);
  AddProperty("LineSpacing", pkInteger);
  AddProperty("CharSpacing", pkInteger);
  AddProperty("GapX", pkInteger);
  AddProperty("GapY", pkInteger);
  AddProperty("Stretched", pkBoolean);
  AddProperty("WordWrap", pkBoolean);
  AddProperty("WordBreak", pkBoolean);
  AddProperty("AutoWidth", pkBoolean);
  AddProperty("TextOnly", pkBoolean);
  AddProperty("Suppress", pkBoolean);
  AddProperty("HideZeros", pkBoolean);
  AddProperty("Lines.Count", pkInteger | pkReadOnly);
  AddProperty("Underlines", pkBoolean);
  AddProperty("RTLReading", pkBoolean);
}

Variant TfrMemoView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  Variant value;
  if (GetFontProperty(Font, n, value)) return value;
  if (n == "ALIGNMENT") return Variant(static_cast<int64_t>(Alignment));
  if (n == "LINESPACING") return Variant(static_cast<int64_t>(LineSpacing));
  if (n == "CHARSPACING") return Variant(static_cast<int64_t>(CharSpacing));
  if (n == "LINES.COUNT") return Variant(static_cast<int64_t>(Memo.size()));
  return TfrStretcheable::GetProperty(n);
}

void TfrMemoView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (SetFontProperty(Font, n, value)) return;
  if (n == "ALIGNMENT") Alignment = Int32Of(n, value);
  else if (n == "LINESPACING") LineSpacing = Int32Of(n, value);
  else if (n == "CHARSPACING") CharSpacing = Int32Of(n, value);
  else TfrStretcheable::SetProperty(n, value);
}

void TfrMemoView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                             const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  if (CallLinesMethod(Memo, "LINES", n, p1, p2, p3, result)) return;
  TfrStretcheable::CallMethod(n, p1, p2, p3, result);
}

}  // namespace lf
