// Prepared pages to a PDF document through QPdfWriter and the painter canvas.
#include "engine/output/pdf_export.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <malloc.h>

#include "engine/output/emf_pages.h"
#include "platform/exception.h"
#include "platform/output_device.h"
#include "platform/painter_canvas.h"
#include "platform/text_run_cache.h"

namespace lf {
namespace {

constexpr double kPageUnitsPerInch = 93.0 / 1.015;

double PageWidthInches(const TPreparedPage& p) { return p.Metrics.SheetWidth / kPageUnitsPerInch; }
double PageHeightInches(const TPreparedPage& p) { return p.Metrics.SheetHeight / kPageUnitsPerInch; }

// QPdfWriter compresses every page through two fresh 10 MB buffers. Under
// glibc's sliding thresholds each is a new mapping, or heap given back and
// taken again, whose pages fault in anew for every page; fixed thresholds
// keep such buffers in the heap and the heap's top in the process.
constexpr int kHeapMmapThreshold = 64 << 20;  // bytes; larger blocks are mapped
constexpr int kHeapTrimThreshold = 128 << 20;  // bytes of free heap top kept

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

void WritePdf(TfrEMFPages& pages, const std::vector<int>& list, const std::string& path) {
  OutputFile file(path);
  OutputDevice device(file);
  QPdfWriter writer(&device);
  writer.setResolution(kPdfDpi);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setCreator("lumenfoldi");
  QPainter painter;
  TextRunCache runs;
  bool first = true;
  for (int index : list) {
    const TPreparedPage& p = pages.PageAt(index);
    QPageSize size(QSizeF(PageWidthInches(p) * 25.4, PageHeightInches(p) * 25.4),
                   QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    writer.setPageSize(size);
    if (first) {
      if (!painter.begin(&writer)) {
        device.Check();
        throw EStreamError("cannot write '" + path + "'");
      }
      first = false;
    } else {
      writer.newPage();
    }
    PainterCanvas canvas(painter, kPdfDpi, true, &runs);
    CanvasRect rect{0, 0, static_cast<int32_t>(PageWidthInches(p) * kPdfDpi),
                    static_cast<int32_t>(PageHeightInches(p) * kPdfDpi)};
    DrawPageOnce(pages, index, canvas, rect);
    // A full disk stops the job at the page it shows on.
    device.Check();
  }
  if (!first && !painter.end()) {
    device.Check();
    throw EStreamError("cannot write '" + path + "'");
  }
  device.Check();
  file.Commit();
}

}  // namespace lf
