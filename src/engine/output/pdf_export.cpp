// Prepared pages to a PDF document through the PDF canvas, with the links
// of hyperlink objects and the report's information.
#include "engine/output/pdf_export.h"

#include <malloc.h>

#include <charconv>
#include <cmath>
#include <optional>

#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/output/link_opener.h"
#include "pdf/pdf_canvas.h"
#include "platform/code_page.h"
#include "platform/output_file.h"
#include "printer/printer_metrics.h"

namespace lf {
namespace {

// Many small allocations come and go for every page; fixed thresholds keep
// the heap's top in the process instead of giving it back and faulting it
// in again.
constexpr int kHeapMmapThreshold = 64 << 20;  // bytes; larger blocks are mapped
constexpr int kHeapTrimThreshold = 128 << 20;  // bytes of free heap top kept

int32_t DeviceUnits(double pageUnits) {
  return static_cast<int32_t>(std::lround(pageUnits / PageUnitsPerInch * kPdfDpi));
}

PdfDocumentInfo InfoOf(const TfrReport* report) {
  PdfDocumentInfo info;
  if (!report) return info;
  info.Title = HostToUtf8(report->Title.empty() ? report->ReportName : report->Title);
  info.Author = HostToUtf8(report->ReportAutor);
  info.Subject = HostToUtf8(report->ReportComment);
  return info;
}

// The page a page link names (from 1, smaller numbers are page 1); none
// for other tags and when the text after its last "@" is no number.
std::optional<int> LinkedPage(std::string_view tag) {
  if (!IsPageLink(tag)) return std::nullopt;
  const size_t at = LastAtSign(tag);
  const std::string number = Trim(tag.substr(at + 1));
  int n = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), n);
  if (number.empty() || ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return std::max(n, 1);
}

// Link annotations over the hyperlink objects of the page drawn into rect.
void AddLinks(const TPreparedPage& p, const CanvasRect& rect, const std::vector<int>& position,
              PdfCanvas& pdf) {
  if (!p.Page || p.Metrics.SheetWidth <= 0 || p.Metrics.SheetHeight <= 0) return;
  const double kx = static_cast<double>(rect.Width()) / p.Metrics.SheetWidth;
  const double ky = static_cast<double>(rect.Height()) / p.Metrics.SheetHeight;
  for (const auto& object : p.Page->Objects) {
    const TfrView& v = *object;
    if (v.Name.rfind(kLinkObjectPrefix, 0) != 0) continue;
    const CanvasRect r{RoundToNearestEven(v.Left * kx) + rect.Left,
                       RoundToNearestEven(v.Top * ky) + rect.Top,
                       RoundToNearestEven((static_cast<double>(v.Left) + v.Width) * kx) + rect.Left,
                       RoundToNearestEven((static_cast<double>(v.Top) + v.Height) * ky) + rect.Top};
    // Web and mail addresses first: a mail address holds an "@" too.
    const std::string address = OpenableLink(v.Tag);
    if (!address.empty()) {
      pdf.LinkToUri(r, address);
      continue;
    }
    // A page that is not in the document has nothing to go to.
    const std::optional<int> page = LinkedPage(v.Tag);
    if (page && static_cast<size_t>(*page) <= position.size() &&
        position[static_cast<size_t>(*page - 1)] >= 0)
      pdf.LinkToPage(r, position[static_cast<size_t>(*page - 1)]);
  }
}

}  // namespace

void KeepPageBuffersInHeap() {
#ifdef M_MMAP_THRESHOLD
  mallopt(M_MMAP_THRESHOLD, kHeapMmapThreshold);
  mallopt(M_TRIM_THRESHOLD, kHeapTrimThreshold);
#endif
}

void DrawPageOnce(TfrEMFPages& pages, int index, Canvas& canvas, const CanvasRect& rect) {
  pages.PageAt(index).Shown = true;
  pages.Draw(index, canvas, rect);
  pages.PageAt(index).Shown = false;
  pages.Draw(index, canvas, CanvasRect{});
}

int WritePdf(TfrEMFPages& pages, const std::vector<int>& list, TStream& out,
             const PdfPageDone& pageDone) {
  // Where each prepared page lands in the document; -1 when it is left out.
  std::vector<int> position(static_cast<size_t>(pages.Count()), -1);
  for (size_t i = 0; i < list.size(); ++i) {
    int& at = position.at(static_cast<size_t>(list[i]));
    if (at < 0) at = static_cast<int>(i);
  }
  PdfCanvas pdf(out, InfoOf(pages.Report()), kPdfDpi);
  int done = 0;
  for (int index : list) {
    TPreparedPage& p = pages.PageAt(index);
    const CanvasRect rect{0, 0, DeviceUnits(p.Metrics.SheetWidth), DeviceUnits(p.Metrics.SheetHeight)};
    pdf.BeginPage(rect.Width(), rect.Height());
    p.Shown = true;
    pages.Draw(index, pdf, rect);
    AddLinks(p, rect, position, pdf);
    p.Shown = false;
    pages.Draw(index, pdf, CanvasRect{});
    pdf.EndPage();
    ++done;
    if (pageDone && !pageDone(done)) return done;
  }
  pdf.Finish();
  return done;
}

void WritePdf(TfrEMFPages& pages, const std::vector<int>& list, const std::string& path) {
  OutputFile file(path);
  WritePdf(pages, list, file);
  file.Commit();
}

}  // namespace lf
