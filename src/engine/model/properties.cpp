// Property access by name: what every view, text, picture, line, band view,
// sub-report frame, dialog control and page declares, reads, writes and
// answers as methods. Names compare upper-cased.
#include "engine/model/properties.h"

#include <limits>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/control_view.h"
#include "engine/run/globals.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/subreport_view.h"
#include "platform/code_page.h"
#include "printer/printer.h"

namespace lf {
namespace {

TArgumentEvaluator& ArgumentEvaluator() {
  static TArgumentEvaluator evaluator;
  return evaluator;
}

[[noreturn]] void OutOfRange(const std::string& name, const Variant& value) {
  throw EPropertyError("Value " + value.AsText() + " out of range for property " + name);
}

// Integer writes are rounded; a value outside [lo, hi] is an error.
int64_t IntegerIn(const std::string& name, const Variant& value, int64_t lo, int64_t hi) {
  const int64_t v = value.AsInteger();
  if (v < lo || v > hi) OutOfRange(name, value);
  return v;
}

int32_t Int32Of(const std::string& name, const Variant& value) {
  return static_cast<int32_t>(IntegerIn(name, value, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
}

// Bit sets of 16 bits keep the low 16 bits of the value.
uint16_t Bits16Of(const Variant& value) { return static_cast<uint16_t>(value.AsInteger() & 0xFFFF); }

// Colours are exchanged as signed 32-bit integers, as the colour constants are.
Variant ColorValue(uint32_t color) { return Variant(static_cast<int64_t>(static_cast<int32_t>(color))); }
uint32_t ColorOf(const std::string& name, const Variant& value) {
  return static_cast<uint32_t>(IntegerIn(name, value, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<uint32_t>::max()));
}

// An enumerated property takes a value of its list, or one of its value
// names as text.
int32_t EnumOf(TfrObject& object, const std::string& name, const Variant& value) {
  const TfrPropRec* rec = object.FindProperty(name);
  if (rec && value.IsText()) {
    const std::string text = value.AsText();
    for (size_t i = 0; i < rec->EnumNames.size() && i < rec->EnumValues.size(); ++i)
      if (SameTextAscii(rec->EnumNames[i], text)) return rec->EnumValues[i];
  }
  const int64_t v = value.AsInteger();
  if (rec && !rec->EnumValues.empty()) {
    for (int32_t allowed : rec->EnumValues)
      if (allowed == v) return allowed;
    OutOfRange(name, value);
  }
  return Int32Of(name, value);
}

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

// A page's Width or Height property written: tenths of a millimetre within
// what a custom paper holds.
int32_t PaperDmmOf(const std::string& name, const Variant& value) {
  const int32_t dmm = TfrPage::PagePropertyToDmm(Int32Of(name, value));
  if (dmm < 0 || dmm > kMaxPaperDmm) OutOfRange(name, value);
  return dmm;
}

const char* kFrameStyles = "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble";
const char* kBandAligns = "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest";
const char* kBlobTypes = "btBMP;btJPG;btICO;btWMF";

size_t LineIndex(const TfrLines& lines, const Variant& index, bool allowEnd) {
  const int64_t i = index.AsInteger();
  const int64_t limit = static_cast<int64_t>(lines.size()) + (allowEnd ? 1 : 0);
  if (i < 0 || i >= limit) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
  return static_cast<size_t>(i);
}

}  // namespace

// --- shared helpers ---------------------------------------------------------

void SetArgumentEvaluator(TArgumentEvaluator evaluator) {
  ArgumentEvaluator() = std::move(evaluator);
}

ScopedArgumentEvaluator::ScopedArgumentEvaluator(TArgumentEvaluator evaluator)
    : saved_(std::move(ArgumentEvaluator())) {
  ArgumentEvaluator() = std::move(evaluator);
}

ScopedArgumentEvaluator::~ScopedArgumentEvaluator() { ArgumentEvaluator() = std::move(saved_); }

Variant EvaluateArgument(const Variant& argument) {
  const TArgumentEvaluator& evaluator = ArgumentEvaluator();
  if (!evaluator) return argument;
  return evaluator(argument.AsText());
}

bool CallLinesMethod(TfrLines& lines, const std::string& listName, const std::string& name,
                     const Variant& p1, const Variant& p2, const Variant& p3, Variant& result) {
  if (name == "SETINDEXPROPERTY" || name == "GETINDEXPROPERTY") {
    if (PropName(p1.AsText()) != listName) return false;
    if (name == "SETINDEXPROPERTY")
      lines[LineIndex(lines, p2, false)] = p3.AsText();
    else
      result = Variant(lines[LineIndex(lines, p2, false)]);
    return true;
  }
  if (name.size() <= listName.size() + 1 || name.compare(0, listName.size(), listName) != 0 ||
      name[listName.size()] != '.')
    return false;
  const std::string method = name.substr(listName.size() + 1);
  if (method == "ADD") {
    lines.push_back(EvaluateArgument(p1).AsText());
  } else if (method == "CLEAR") {
    lines.clear();
  } else if (method == "DELETE") {
    const size_t i = LineIndex(lines, EvaluateArgument(p1), false);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
  } else if (method == "INDEXOF") {
    const std::string text = EvaluateArgument(p1).AsText();
    int64_t found = -1;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == text) {
        found = static_cast<int64_t>(i);
        break;
      }
    result = Variant(found);
  } else {
    return false;
  }
  return true;
}

bool GetFontProperty(const TfrFont& font, const std::string& name, Variant& value) {
  if (name == "FONT.NAME") value = Variant(font.Name);
  else if (name == "FONT.SIZE") value = Variant(static_cast<int64_t>(font.Size));
  else if (name == "FONT.STYLE") value = Variant(static_cast<int64_t>(font.Style));
  else if (name == "FONT.COLOR") value = ColorValue(font.Color);
  else return false;
  return true;
}

bool SetFontProperty(TfrFont& font, const std::string& name, const Variant& value) {
  if (name == "FONT.NAME") font.Name = value.AsText();
  else if (name == "FONT.SIZE") font.Size = static_cast<int32_t>(IntegerIn(name, value, 0, kMaxFontSize));
  else if (name == "FONT.STYLE") font.Style = static_cast<uint16_t>(value.AsInteger() & 0xF);
  else if (name == "FONT.COLOR") font.Color = ColorOf(name, value);
  else return false;
  return true;
}

TfrBandDatasetHooks& BandDatasetHooks() {
  static TfrBandDatasetHooks hooks;
  return hooks;
}

// --- every view -----------------------------------------------------------

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

// --- texts ------------------------------------------------------------------

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

// --- pictures ---------------------------------------------------------------

void TfrPictureView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
  AddProperty("DataField", pkString);
  AddProperty("Center", pkBoolean);
  AddProperty("KeepAspect", pkBoolean);
  AddEnumProperty("BlobType", kBlobTypes);
  AddProperty("Picture", pkPicture | pkHasEditor);
}

Variant TfrPictureView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (n == "DATAFIELD") return Variant(Memo.empty() ? std::string() : Memo.front());
  if (n == "BLOBTYPE") return Variant(static_cast<int64_t>(BlobType));
  if (n == "PICTURE") return Variant(PictureToken());
  return TfrView::GetProperty(n);
}

void TfrPictureView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (n == "DATAFIELD") {
    Memo = TfrLines{value.AsText()};
  } else if (n == "BLOBTYPE") {
    BlobType = static_cast<uint8_t>(EnumOf(*this, n, value));
  } else if (n == "PICTURE") {
    // A token that names no live picture leaves the picture as it is.
    if (value.IsNumber())
      if (TfrPictureView* source = FindByToken(value.AsInteger())) Picture = source->Picture;
  } else {
    TfrView::SetProperty(n, value);
  }
}

void TfrPictureView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  if (n == "LOADFROMFILE") {
    LoadFromFile(EvaluateArgument(p1).AsText());
    return;
  }
  TfrView::CallMethod(n, p1, p2, p3, result);
}

// --- lines, sub-report frames, dialog controls ------------------------------

void TfrLineView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
}

void TfrSubReportView::DeclareProperties() {
  DeclareBaseProperties();
}

void TfrControl::SetProperty(const std::string& name, const Variant& value) {
  TfrView::SetProperty(name, value);
  if (PropName(name) == "VISIBLE" && Control) Control->SetVisible(Visible);
}

// --- band views -------------------------------------------------------------

namespace {

// Kinds each band-view property is declared for.
bool KindIn(int kind, std::initializer_list<int> kinds) {
  for (int k : kinds)
    if (k == kind) return true;
  return false;
}

}  // namespace

void TfrBandView::DeclareProperties() {
  const int k = FrameTyp;
  declaredKind_ = k;
  DeclareBaseProperties();
  AddProperty("OnBeforePrint", pkScript | pkHasEditor);
  if (k != btPageFooter) {
    AddProperty("ChildBand", pkString);
    AddProperty("PrintChildIfInvisible", pkBoolean);
  }
  if (KindIn(k, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21}))
    AddProperty("Stretched", pkBoolean);
  if (KindIn(k, {0, 1, 5, 6, 8, 9, 11, 12, 16})) AddProperty("FormNewPage", pkBoolean);
  if (KindIn(k, {5, 8})) AddProperty("PrintIfSubsetEmpty", pkBoolean);
  if (KindIn(k, {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}))
    AddProperty("Breaked", pkBoolean);
  if (KindIn(k, {2, 3})) AddProperty("OnFirstPage", pkBoolean);
  if (k == btPageFooter) AddProperty("OnLastPage", pkBoolean);
  if (KindIn(k, {4, 7, 10, 16, 18})) AddProperty("RepeatHeader", pkBoolean);
  if (KindIn(k, {5, 8, 11, 19})) AddProperty("DataSource", pkString | pkHasEditor);
  if (KindIn(k, {5, 8, 11})) {
    AddProperty("Columns", pkInteger);
    AddProperty("ColumnWidth", pkInteger);
    AddProperty("ColumnGap", pkInteger);
  }
  if (k == btGroupHeader) {
    AddProperty("Condition", pkString | pkHasEditor);
    AddProperty("Master", pkString);
  }
  AddProperty("NewColumnAfter", pkInteger);
  AddProperty("EOF", pkBoolean | pkReadOnly);
}

Variant TfrBandView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return Variant::Null();
  // While the page is prepared the run-time band holds the live geometry.
  if (TfrBand* band = Parent) {
    if (n == "LEFT") return Variant(static_cast<int64_t>(band->Left));
    if (n == "TOP") return Variant(static_cast<int64_t>(band->Top));
    if (n == "WIDTH") return Variant(static_cast<int64_t>(band->Width));
    if (n == "HEIGHT") return Variant(static_cast<int64_t>(band->Height));
    if (n == "VISIBLE") return Variant(band->Visible);
  }
  if (n == "CHILDBAND") return Variant(ChildBand);
  if (n == "MASTER") return Variant(Master);
  if (n == "DATASOURCE" || n == "CONDITION") return Variant(FormatStr);
  if (n == "COLUMNS") return Variant(static_cast<int64_t>(Columns));
  if (n == "COLUMNWIDTH") return Variant(static_cast<int64_t>(ColumnWidth));
  if (n == "COLUMNGAP") return Variant(static_cast<int64_t>(ColumnGap));
  if (n == "NEWCOLUMNAFTER") return Variant(static_cast<int64_t>(NewColumnAfter));
  if (n == "ONBEFOREPRINT") return Variant(JoinLines(Script));
  if (n == "EOF") {
    TfrBand* band = Parent;
    const auto& hooks = BandDatasetHooks();
    if (!band || !band->DataSet || !hooks.Eof) return Variant(true);
    return Variant(hooks.Eof(*band->DataSet));
  }
  return TfrView::GetProperty(n);
}

void TfrBandView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (!HasProperty(n) || n == "EOF") return;
  if (n == "CHILDBAND") ChildBand = value.AsText();
  else if (n == "MASTER") Master = value.AsText();
  else if (n == "DATASOURCE" || n == "CONDITION") FormatStr = value.AsText();
  else if (n == "COLUMNS") Columns = Int32Of(n, value);
  else if (n == "COLUMNWIDTH") ColumnWidth = Int32Of(n, value);
  else if (n == "COLUMNGAP") ColumnGap = Int32Of(n, value);
  else if (n == "NEWCOLUMNAFTER") NewColumnAfter = Int32Of(n, value);
  else if (n == "ONBEFOREPRINT") Script = SplitLines(value.AsText());
  else TfrView::SetProperty(n, value);

  TfrBand* band = Parent;
  if (!band) return;
  // While the page is prepared the run-time band follows the view.
  if (n == "LEFT") band->Left = Left;
  else if (n == "TOP") band->Top = Top;
  else if (n == "WIDTH") band->Width = Width;
  else if (n == "HEIGHT") band->Height = Height;
  else if (n == "VISIBLE") band->Visible = Visible;
  else if (n == "BREAKED") band->Breaked = HasFlag(flBandBreaked);
  else if (n == "CONDITION") band->GroupCondition = SharedParser().ToPostfix(FormatStr);
  else if (n == "DATASOURCE") {
    if (const auto& reresolve = BandDatasetHooks().Reresolve) reresolve(*band);
  } else if (n == "CHILDBAND") {
    band->Child = nullptr;
    if (band->Page)
      if (auto* child = dynamic_cast<TfrBandView*>(band->Page->FindObject(ChildBand)))
        band->Child = child->Parent;
  }
}

void TfrBandView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                             const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  int step = 2;
  if (n == "FIRST") step = 0;
  else if (n == "NEXT") step = 1;
  else if (n == "PRIOR") step = -1;
  if (step != 2) {
    TfrBand* band = Parent;
    const auto& move = BandDatasetHooks().Move;
    if (band && band->DataSet && move) move(*band->DataSet, step);
    return;
  }
  TfrView::CallMethod(n, p1, p2, p3, result);
}

// --- pages ------------------------------------------------------------------

void TfrPage::DeclareProperties() {
  declaredType_ = PageType;
  AddProperty("Name", pkString);
  AddEnumProperty("Type", "ptReport;ptDialog");
  AddProperty("Visible", pkBoolean);
  if (PageType == ptDialog) {
    AddEnumProperty("BorderStyle", "bsDialog;bsSizeable", {bsDialog, bsSizeable});
    AddProperty("Caption", pkString);
    AddProperty("Color", pkColor);
    AddProperty("Left", pkInteger);
    AddProperty("Top", pkInteger);
    AddProperty("Width", pkInteger);
    AddProperty("Height", pkInteger);
    AddEnumProperty("Position", "poDesigned;poScreenCenter", {poDesigned, poScreenCenter});
    AddProperty("OnActivate", pkScript | pkHasEditor);
    return;
  }
  // Paper sizes: the selected printer's papers by name.
  std::string names;
  std::vector<int32_t> codes;
  const TfrPrinter& printer = SharedPrinter();
  for (int i = 0; i < printer.PaperCount && i < static_cast<int>(printer.PaperNameList.size());
       ++i) {
    if (!names.empty()) names += ';';
    names += printer.PaperNameList[static_cast<size_t>(i)];
    codes.push_back(printer.PaperCodes[static_cast<size_t>(i)]);
  }
  if (codes.empty()) AddEnumProperty("Size", "No data", {PaperCode});
  else AddEnumProperty("Size", names, codes);
  AddProperty("Width", pkInteger);
  AddProperty("Height", pkInteger);
  AddProperty("LeftMargin", pkInteger);
  AddProperty("TopMargin", pkInteger);
  AddProperty("RightMargin", pkInteger);
  AddProperty("BottomMargin", pkInteger);
  AddEnumProperty("Orientation", "poPortrait;poLandscape");
  AddProperty("PrintToPrevPage", pkBoolean);
  AddProperty("StretchToPrintable", pkBoolean);
  AddProperty("Columns", pkInteger);
  AddProperty("ColumnWidth", pkInteger);
  AddProperty("ColumnGap", pkInteger);
  AddProperty("OnBeforePrint", pkScript | pkHasEditor);
}

Variant TfrPage::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return Variant::Null();
  auto integer = [](int64_t v) { return Variant(v); };
  if (n == "NAME") return Variant(Name);
  if (n == "TYPE") return integer(PageType);
  if (n == "VISIBLE") return Variant(Visible);
  if (PageType == ptDialog) {
    if (n == "BORDERSTYLE") return integer(BorderStyle);
    if (n == "CAPTION") return Variant(Caption);
    if (n == "COLOR") return ColorValue(Color);
    if (n == "LEFT") return integer(Left);
    if (n == "TOP") return integer(Top);
    if (n == "WIDTH") return integer(Width);
    if (n == "HEIGHT") return integer(Height);
    if (n == "POSITION") return integer(Position);
    if (n == "ONACTIVATE") return Variant(JoinLines(Script));
    return Variant::Null();
  }
  if (n == "SIZE") return integer(PaperCode);
  if (n == "WIDTH") return integer(DmmToPageProperty(WidthDmm));
  if (n == "HEIGHT") return integer(DmmToPageProperty(HeightDmm));
  if (n == "LEFTMARGIN") return integer(Margins.Left);
  if (n == "TOPMARGIN") return integer(Margins.Top);
  if (n == "RIGHTMARGIN") return integer(Margins.Right);
  if (n == "BOTTOMMARGIN") return integer(Margins.Bottom);
  if (n == "ORIENTATION") return integer(Landscape ? 1 : 0);
  if (n == "PRINTTOPREVPAGE") return Variant(PrintToPrevPage);
  if (n == "STRETCHTOPRINTABLE") return Variant(!SheetCoordinates);
  if (n == "COLUMNS") return integer(Columns);
  if (n == "COLUMNWIDTH") return integer(ColumnWidth);
  if (n == "COLUMNGAP") return integer(ColumnGap);
  if (n == "ONBEFOREPRINT") return Variant(JoinLines(Script));
  return Variant::Null();
}

void TfrPage::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (!HasProperty(n)) return;
  if (n == "NAME") {
    Name = value.AsText();
  } else if (n == "TYPE") {
    PageType = static_cast<uint8_t>(EnumOf(*this, n, value));
    ClearPropList();
  } else if (n == "VISIBLE") {
    Visible = value.AsBoolean();
  } else if (PageType == ptDialog) {
    if (n == "BORDERSTYLE") BorderStyle = static_cast<uint8_t>(EnumOf(*this, n, value));
    else if (n == "CAPTION") Caption = value.AsText();
    else if (n == "COLOR") Color = ColorOf(n, value);
    else if (n == "LEFT") Left = Int32Of(n, value);
    else if (n == "TOP") Top = Int32Of(n, value);
    else if (n == "WIDTH") Width = Int32Of(n, value);
    else if (n == "HEIGHT") Height = Int32Of(n, value);
    else if (n == "POSITION") Position = static_cast<uint8_t>(EnumOf(*this, n, value));
    else if (n == "ONACTIVATE") Script = SplitLines(value.AsText());
  } else if (n == "SIZE") {
    ChangePaper(EnumOf(*this, n, value), WidthDmm, HeightDmm, PaperSource, Landscape);
  } else if (n == "WIDTH") {
    ChangePaper(kPaperCustom, PaperDmmOf(n, value), HeightDmm, PaperSource, Landscape);
  } else if (n == "HEIGHT") {
    ChangePaper(kPaperCustom, WidthDmm, PaperDmmOf(n, value), PaperSource, Landscape);
  } else if (n == "ORIENTATION") {
    ChangePaper(PaperCode, WidthDmm, HeightDmm, PaperSource, EnumOf(*this, n, value) != 0);
  } else if (n == "LEFTMARGIN") Margins.Left = Int32Of(n, value);
  else if (n == "TOPMARGIN") Margins.Top = Int32Of(n, value);
  else if (n == "RIGHTMARGIN") Margins.Right = Int32Of(n, value);
  else if (n == "BOTTOMMARGIN") Margins.Bottom = Int32Of(n, value);
  else if (n == "PRINTTOPREVPAGE") PrintToPrevPage = value.AsBoolean();
  else if (n == "STRETCHTOPRINTABLE") SheetCoordinates = !value.AsBoolean();
  else if (n == "COLUMNS") Columns = Int32Of(n, value);
  else if (n == "COLUMNWIDTH") ColumnWidth = Int32Of(n, value);
  else if (n == "COLUMNGAP") ColumnGap = Int32Of(n, value);
  else if (n == "ONBEFOREPRINT") Script = SplitLines(value.AsText());
}

}  // namespace lf
