// TfrEMFPages: making, releasing, materializing, storing, drawing and
// hit-testing prepared pages.
#include "engine/output/emf_pages.h"

#include "engine/model/view_factory.h"
#include "engine/output/compressor.h"
#include "engine/output/link_opener.h"
#include "engine/output/prepared_report_file.h"
#include "engine/run/engine_state_scope.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"
#include "platform/canvas.h"
#include "platform/recording_canvas.h"
#include "printer/printer.h"

namespace lf {
namespace {

// Keeps the engine's missing-component list as it was: rebuilding a page on
// every paint must not make it grow with each unknown class met again.
class MissingComponentsGuard {
 public:
  MissingComponentsGuard() : size_(MissingComponents().size()) {}
  ~MissingComponentsGuard() { MissingComponents().resize(size_); }
  MissingComponentsGuard(const MissingComponentsGuard&) = delete;
  MissingComponentsGuard& operator=(const MissingComponentsGuard&) = delete;

 private:
  size_t size_;
};

std::string PageLabel(int index) { return "Prepared page " + std::to_string(index + 1); }

}  // namespace

TfrEMFPages::TfrEMFPages(TfrReport* report) : OpenLink(OpenLinkWithPlatform), report_(report) {}

TfrEMFPages::~TfrEMFPages() { Clear(); }

TfrEMFPagesPtr NewEMFPages(TfrReport* report) {
  return TfrEMFPagesPtr(new TfrEMFPages(report),
                        TfrEMFPagesDeleter{[](TfrEMFPages* pages) { delete pages; }});
}

TPreparedPage& TfrEMFPages::MakePage(int index, const TfrPage& t) {
  auto page = std::make_unique<TPreparedPage>();
  page->Stream = std::make_unique<TMemoryStream>();
  WriteU8(*page->Stream, static_cast<uint8_t>(kCurrentStreamVersion));
  page->PaperCode = static_cast<uint16_t>(t.PaperCode);
  page->WidthDmm = t.WidthDmm;
  page->HeightDmm = t.HeightDmm;
  page->Landscape = t.Landscape ? 1 : 0;
  page->PaperSource = t.PaperSource;
  page->SheetCoordinates = t.SheetCoordinates ? 1 : 0;
  page->Margins = t.Margins;
  page->Metrics = t.Metrics;
  TPreparedPage& made = *page;
  if (index < 0 || index >= Count()) pages_.push_back(std::move(page));
  else pages_.insert(pages_.begin() + index, std::move(page));
  return made;
}

void TfrEMFPages::Add(const TfrPage& templatePage) {
  MakePage(Count(), templatePage);
  const TfrEngineState& state = EngineState();
  TfrReport* current = state.CurReport;
  TfrReport* master = state.MasterReport;
  const int32_t pageNo = state.PageNo;
  if (current && current->OnBeginPage) current->OnBeginPage(pageNo);
  if (master && master != current && master->OnBeginPage) master->OnBeginPage(pageNo);
}

void TfrEMFPages::Insert(int index, const TfrPage& templatePage) { MakePage(index, templatePage); }

void TfrEMFPages::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (index < spillFrom_) --spillFrom_;
  TfrEngineState& state = EngineState();
  if (pages_[static_cast<size_t>(index)]->Page.get() == state.CurPage) state.CurPage = nullptr;
  pages_.erase(pages_.begin() + index);
}

TPreparedPage& TfrEMFPages::AppendEmpty() {
  pages_.push_back(std::make_unique<TPreparedPage>());
  return *pages_.back();
}

void TfrEMFPages::Clear() {
  TfrEngineState& state = EngineState();
  for (const auto& page : pages_)
    if (page->Page.get() == state.CurPage) state.CurPage = nullptr;
  pages_.clear();
  spill_.reset();
  resident_ = 0;
  spillFrom_ = 0;
}

TMemoryStream& TfrEMFPages::StreamAt(int index) {
  TPreparedPage& p = PageAt(index);
  if (!p.Stream) {
    std::string bytes;
    if (p.SpillOffset >= 0 && spill_) spill_->Read(p.SpillOffset, p.SpillSize, bytes);
    p.Stream = std::make_unique<TMemoryStream>(std::move(bytes));
    p.SpillOffset = -1;
  }
  return *p.Stream;
}

std::string_view TfrEMFPages::StreamBytes(int index, std::string& scratch) {
  TPreparedPage& p = PageAt(index);
  if (p.Stream) return p.Stream->Bytes();
  scratch.clear();
  if (p.SpillOffset >= 0 && spill_) spill_->Read(p.SpillOffset, p.SpillSize, scratch);
  return scratch;
}

int64_t TfrEMFPages::StreamSize(int index) const {
  const TPreparedPage& p = PageAt(index);
  return p.Stream ? p.Stream->Size() : p.SpillOffset >= 0 ? p.SpillSize : 0;
}

void TfrEMFPages::PageFinished(int index) {
  if (index < 0 || index >= Count()) return;
  resident_ += StreamSize(index);
  // The last page may still grow: it stays.
  while (resident_ > MemoryBudget && spillFrom_ < Count() - 1) {
    TPreparedPage& p = PageAt(spillFrom_++);
    if (!p.Stream || p.Page) continue;  // spilled already, or its objects are out
    if (!spill_) spill_ = std::make_unique<PageSpill>();
    const std::string& bytes = p.Stream->Bytes();
    p.SpillOffset = spill_->Append(bytes);
    p.SpillSize = static_cast<int64_t>(bytes.size());
    resident_ -= p.SpillSize;
    p.Stream.reset();
  }
}

int64_t TfrEMFPages::SpilledBytes() const { return spill_ ? spill_->Size() : 0; }

void TfrEMFPages::LoadPage(int index) {
  TPreparedPage& p = PageAt(index);
  EngineStateScope scope;
  MissingComponentsGuard missing;
  p.Page.reset();
  p.Page = std::make_unique<TfrPage>(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource,
                                     p.Landscape != 0);
  TfrPage& page = *p.Page;
  page.Margins = p.Margins;
  page.SheetCoordinates = p.SheetCoordinates != 0;
  EngineState().CurPage = &page;
  // Automatic widths are measured only for prepared pages: whoever loads
  // the page (a hit test before any drawing too) gets them.
  EngineState().DocMode = kDocModePrinting;

  // A spilled page is read back for the time of loading only.
  std::unique_ptr<TMemoryStream> readBack;
  if (!p.Stream && p.SpillOffset < 0) return;  // a page without a stream
  if (!p.Stream) {
    std::string bytes;
    spill_->Read(p.SpillOffset, p.SpillSize, bytes);
    readBack = std::make_unique<TMemoryStream>(std::move(bytes));
  }
  TMemoryStream& s = p.Stream ? *p.Stream : *readBack;
  s.SetPosition(0);
  const int64_t size = s.Size();
  if (size == 0) return;  // a page without records
  SetStreamVersion(ReadU8(s));
  ReadObjectRecords(s, page, index, true);
}

void ReadObjectRecords(TStream& s, TfrPage& page, int pageIndex, bool measureAutoWidth) {
  const int64_t size = s.Size();
  try {
    while (s.Position() < size) {
      const int64_t at = s.Position();
      const uint8_t code = ReadU8(s);
      std::string className;
      if (code == gtAddIn) className = ReadFrString(s);
      std::unique_ptr<TfrView> view = CreateView(code, className);
      if (!view)
        throw EPreparedReportDamaged(PageLabel(pageIndex) + " damaged at byte " + std::to_string(at) +
                                     " of its records: unknown object type code " +
                                     std::to_string(code));
      view->StreamMode = true;
      view->LoadFromStream(s);
      view->StreamMode = false;
      // The finished text is also the object's own text, so that a page
      // stored again after editing keeps the texts nobody touched.
      view->Memo = view->WorkLines;
      TfrView& added = *page.AddObject(std::move(view));
      if (measureAutoWidth && added.TypeCode == gtMemo && added.HasFlag(flAutoSize)) {
        // Drawing once measures the text and sets the object's width.
        RecordingCanvas measure;
        added.Draw(measure);
      }
    }
  } catch (const ETemplateFormatError& e) {
    throw EPreparedReportDamaged(PageLabel(pageIndex) + " damaged: " + e.Message());
  }
}

void WriteObjectRecord(TStream& s, TfrView& view) {
  view.StreamMode = true;
  WriteU8(s, view.TypeCode);
  if (view.TypeCode == gtAddIn) WriteFrString(s, view.ClassName());
  view.SaveToStream(s);
}

void TfrEMFPages::StorePage(int index) {
  TPreparedPage& p = PageAt(index);
  if (!p.Page) return;  // nothing materialized: the stream is still the page
  EngineStateScope scope;
  SetStreamVersion(kCurrentStreamVersion);
  auto stream = std::make_unique<TMemoryStream>();
  WriteU8(*stream, static_cast<uint8_t>(kCurrentStreamVersion));
  for (const auto& view : p.Page->Objects) {
    view->WorkLines = view->Memo;
    WriteObjectRecord(*stream, *view);
  }
  p.Stream = std::move(stream);
  p.SpillOffset = -1;
}

void TfrEMFPages::ExportPage(int index) {
  LoadPage(index);
  TPreparedPage& p = PageAt(index);
  for (const auto& view : p.Page->Objects) view->ExportData();
  p.Page.reset();
}

void TfrEMFPages::Draw(int index, Canvas& canvas, const CanvasRect& rect) {
  TPreparedPage& p = PageAt(index);
  EngineStateScope scope;
  TfrEngineState& state = EngineState();
  const bool printing = canvas.IsPrinter();
  state.DocMode = kDocModePrinting;
  if (!p.Shown) {
    if (state.CurPage == p.Page.get()) state.CurPage = nullptr;
    p.Page.reset();
    return;
  }
  // A sheet without size has no scale: nothing is drawn.
  if (p.Metrics.SheetWidth <= 0 || p.Metrics.SheetHeight <= 0) return;
  if (!p.Page) LoadPage(index);
  state.CurPage = p.Page.get();
  const double kx = static_cast<double>(rect.Width()) / p.Metrics.SheetWidth;
  const double ky = static_cast<double>(rect.Height()) / p.Metrics.SheetHeight;
  const bool testVisibility = !printing && !canvas.IsRecording();
  for (const auto& object : p.Page->Objects) {
    TfrView& view = *object;
    if (testVisibility) {
      const CanvasRect wide{RoundToNearestEven(view.Left * kx) + rect.Left - 10,
                            RoundToNearestEven(view.Top * ky) + rect.Top - 10,
                            RoundToNearestEven((static_cast<double>(view.Left) + view.Width) * kx) + rect.Left + 10,
                            RoundToNearestEven((static_cast<double>(view.Top) + view.Height) * ky) + rect.Top + 10};
      if (!canvas.RectVisible(wide)) continue;
    }
    view.ScaleX = kx;
    view.ScaleY = ky;
    view.DrawOffsetX = rect.Left;
    view.DrawOffsetY = rect.Top;
    view.Printing = printing;
    view.Draw(canvas);
  }
}

bool TfrEMFPages::HitTest(int index, int32_t x, int32_t y, std::string& link, int& cursor,
                          bool click) {
  TPreparedPage& p = PageAt(index);
  EngineStateScope scope;
  link.clear();
  if (!p.Page) LoadPage(index);

  double kx = 1, ky = 1, ox = 0, oy = 0;
  if (!p.SheetCoordinates) {
    const TPrinterMetrics& m = p.Metrics;
    if (m.SheetWidth <= 0 || m.SheetHeight <= 0) return false;
    kx = (static_cast<double>(m.PrintWidth) - p.Margins.Left - p.Margins.Right) / m.SheetWidth;
    ky = (static_cast<double>(m.PrintHeight) - p.Margins.Top - p.Margins.Bottom) / m.SheetHeight;
    ox = static_cast<double>(m.OffsetX) + p.Margins.Left;
    oy = static_cast<double>(m.OffsetY) + p.Margins.Top;
  }
  TfrView* hit = nullptr;
  const auto& objects = p.Page->Objects;
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    TfrView& v = **it;
    const int32_t left = RoundToNearestEven(v.Left * kx + ox);
    const int32_t top = RoundToNearestEven(v.Top * ky + oy);
    const int32_t right = RoundToNearestEven((static_cast<double>(v.Left) + v.Width) * kx + ox);
    const int32_t bottom = RoundToNearestEven((static_cast<double>(v.Top) + v.Height) * ky + oy);
    if (x >= left && x < right && y >= top && y < bottom) {
      hit = &v;
      break;
    }
  }
  if (!hit) return false;

  const bool isLink = hit->Name.rfind(kLinkObjectPrefix, 0) == 0;
  bool result = false;
  if (click) {
    if (report_ && report_->OnObjectClick) {
      report_->OnObjectClick(hit);
      result = true;
    }
    if (!isLink) return result;
    if (IsPageLink(hit->Tag)) {
      link = hit->Tag;
      return true;
    }
    const std::string address = OpenableLink(hit->Tag);
    if (address.empty())
      LinkStatus = "Link refused: only http, https and mailto addresses are opened: \"" +
                   hit->Tag + "\"";
    else if (OpenLink && OpenLink(address))
      LinkStatus = "Opened " + address;
    else
      LinkStatus = "Could not open " + address;
    return true;
  }
  if (report_ && report_->OnMouseOverObject) {
    report_->OnMouseOverObject(hit, cursor);
    result = true;
  }
  if (isLink) {
    cursor = kCursorHandPoint;
    link = hit->Tag;
    result = true;
  }
  return result;
}

void TfrEMFPages::ReadFromStream(TStream* stream) {
  Clear();
  if (!stream) return;
  ReadPreparedReport(*stream, *this);
}

void TfrEMFPages::WriteToStream(TStream* stream) {
  if (!stream) return;
  TPreparedReportHeader header;
  header.Compressed = SharedCompressor().Active;
  header.Printer = SharedPrinter().CurrentName();
  if (report_) header.GeneratorVersion = report_->GeneratorVersion;
  WritePreparedReport(*stream, *this, header);
}

}  // namespace lf
