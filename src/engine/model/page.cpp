// TfrPage: paper adoption through the printer layer, the usable-area limits
// and the object list; TfrPages: the report's ordered page list.
#include "engine/model/page.h"

#include "engine/model/band.h"
#include "engine/model/report.h"
#include "engine/model/unique_name.h"
#include "platform/code_page.h"
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
  return Margins.Right != 0 ? Metrics.SheetWidth - Margins.Right
                            : Metrics.OffsetX + Metrics.PrintWidth;
}

int32_t TfrPage::BottomLimit() const {
  int32_t bottom;
  if (!SheetCoordinates)
    bottom = Metrics.SheetHeight;
  else
    bottom = Margins.Bottom != 0 ? Metrics.SheetHeight - Margins.Bottom
                                 : Metrics.OffsetY + Metrics.PrintHeight;
  const TfrBand* footer = Bands[btPageFooter].get();
  if (Initialized && footer && footer->View) bottom -= footer->Height;
  return bottom;
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
  return static_cast<int32_t>(lf::RoundHalfEven(dmm / 10.0 * 18.0 / 5.0));
}

int32_t TfrPage::PagePropertyToDmm(int32_t value) {
  return static_cast<int32_t>(lf::RoundHalfEven(value * 10.0 * 5.0 / 18.0));
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
  TUniqueNamer namer("Page", kUniqueNameLimit);
  for (const auto& page : pages_) namer.Note(page->Name);
  return namer.Result();
}

}  // namespace lf
