// TfrPage: paper adoption through the printer layer, the usable-area limits,
// the object list and its properties by name; TfrPages: the report's
// ordered page list.
#include "engine/model/page.h"

#include "engine/model/band.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/model/unique_name.h"
#include "engine/template/template_format.h"
#include "platform/code_page.h"
#include "platform/saturate.h"
#include "printer/paper_table.h"
#include "printer/printer.h"

namespace lf {

TfrPage::TfrPage(int32_t paperCode, int32_t widthDmm, int32_t heightDmm, int32_t paperSource,
                 bool landscape) {
  PaperCode = DefaultPaperCode();
  ChangePaper(paperCode, widthDmm, heightDmm, paperSource, landscape);
}

TfrPage::~TfrPage() {
  // Bands refer to objects; they go first.
  ClearBands();
}

void TfrPage::ChangePaper(int32_t paperCode, int32_t widthDmm, int32_t heightDmm,
                          int32_t paperSource, bool landscape) {
  TfrPrinter& printer = SharedPrinter();
  try {
    printer.SelectPaper(paperCode, widthDmm, heightDmm, paperSource, landscape);
  } catch (const std::exception&) {
    printer.SelectPaper(kPaperCustom, widthDmm, heightDmm, kAnySource, landscape);
  }
  PaperCode = printer.PaperCode;
  WidthDmm = printer.WidthDmm;
  HeightDmm = printer.HeightDmm;
  Landscape = printer.Landscape;
  Metrics = printer.Metrics();
  PaperSource = (paperSource & 0xFFFF) == 0xFFFF ? kDefaultBin : printer.PaperSource;
}

int32_t TfrPage::TopLimit() const {
  if (!SheetCoordinates) return 0;
  return Margins.Top != 0 ? Margins.Top : Metrics.OffsetY;
}

int32_t TfrPage::LeftLimit() const {
  if (!SheetCoordinates) return 0;
  return Margins.Left != 0 ? Margins.Left : Metrics.OffsetX;
}

int32_t TfrPage::RightLimit() const {
  if (!SheetCoordinates) return Metrics.SheetWidth;
  return SaturateToInt32(Margins.Right != 0 ? int64_t{Metrics.SheetWidth} - Margins.Right
                                            : int64_t{Metrics.OffsetX} + Metrics.PrintWidth);
}

int32_t TfrPage::BottomLimit() const {
  int64_t bottom;
  if (!SheetCoordinates)
    bottom = Metrics.SheetHeight;
  else
    bottom = Margins.Bottom != 0 ? int64_t{Metrics.SheetHeight} - Margins.Bottom
                                 : int64_t{Metrics.OffsetY} + Metrics.PrintHeight;
  const TfrBand* footer = Bands[btPageFooter].get();
  if (Initialized && footer && footer->View) bottom -= footer->Height;
  return SaturateToInt32(bottom);
}

TfrView* TfrPage::FindObject(std::string_view name) const {
  for (const auto& view : Objects)
    if (SameTextAscii(view->Name, name)) return view.get();
  return nullptr;
}

TfrView* TfrPage::AddObject(std::unique_ptr<TfrView> view) {
  Objects.push_back(std::move(view));
  return Objects.back().get();
}

void TfrPage::Clear() {
  ClearBands();
  Objects.clear();
}

void TfrPage::ClearBands() {
  for (auto& band : Bands) band.reset();
  Initialized = false;
  SuspendedBand = nullptr;
  LastPrintedBand = nullptr;
  PlayList.clear();
}

int32_t TfrPage::DmmToPageProperty(int32_t dmm) {
  return RoundToNearestEven(dmm / 10.0 * 18.0 / 5.0);
}

int32_t TfrPage::PagePropertyToDmm(int32_t value) {
  return RoundToNearestEven(value * 10.0 * 5.0 / 18.0);
}

TfrPage* TfrPages::PageAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return pages_[static_cast<size_t>(index)].get();
}

TfrPage* TfrPages::Add() {
  auto page = std::make_unique<TfrPage>(DefaultPaperCode(), 0, 0, -1, false);
  page->Name = UniquePageName();
  return Add(std::move(page));
}

TfrPage* TfrPages::Add(std::unique_ptr<TfrPage> page) {
  pages_.push_back(std::move(page));
  return pages_.back().get();
}

void TfrPages::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  pages_.erase(pages_.begin() + index);
}

int TfrPages::IndexOf(const TfrPage* page) const {
  for (int i = 0; i < Count(); ++i)
    if (pages_[static_cast<size_t>(i)].get() == page) return i;
  return -1;
}

std::string TfrPages::UniquePageName() const {
  TUniqueNamer namer;
  for (const auto& page : pages_) namer.Note(page->Name);
  return namer.Take("Page");
}

namespace {

// A page's Width or Height property written: tenths of a millimetre within
// what a custom paper holds.
int32_t PaperDmmOf(const std::string& name, const Variant& value) {
  const int32_t dmm = TfrPage::PagePropertyToDmm(Int32Of(name, value));
  if (dmm < 0 || dmm > kMaxPaperDmm) OutOfRange(name, value);
  return dmm;
}

// Geometry a script writes: saturated to what a template may hold, so that
// sums of it stay in 32 bits.
int32_t CoordinateOf(const std::string& name, const Variant& value) {
  return SaturatedCoordinate(Int32Of(name, value));
}

}  // namespace

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
  } else if (n == "LEFTMARGIN") Margins.Left = CoordinateOf(n, value);
  else if (n == "TOPMARGIN") Margins.Top = CoordinateOf(n, value);
  else if (n == "RIGHTMARGIN") Margins.Right = CoordinateOf(n, value);
  else if (n == "BOTTOMMARGIN") Margins.Bottom = CoordinateOf(n, value);
  else if (n == "PRINTTOPREVPAGE") PrintToPrevPage = value.AsBoolean();
  else if (n == "STRETCHTOPRINTABLE") SheetCoordinates = !value.AsBoolean();
  else if (n == "COLUMNS") Columns = CoordinateOf(n, value);
  else if (n == "COLUMNWIDTH") ColumnWidth = CoordinateOf(n, value);
  else if (n == "COLUMNGAP") ColumnGap = CoordinateOf(n, value);
  else if (n == "ONBEFOREPRINT") Script = SplitLines(value.AsText());
}

}  // namespace lf
