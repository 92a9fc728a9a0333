// Prepared pages to a PDF document through QPdfWriter and the painter canvas.
#include "engine/output/pdf_export.h"

#include <QIODevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <malloc.h>

#include "engine/output/emf_pages.h"
#include "platform/exception.h"
#include "platform/output_file.h"
#include "platform/painter_canvas.h"
#include "platform/stream.h"
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

// The PDF writer's output device over one of our streams. Qt's writer does
// not expect its device to throw, so the first error is kept, every later
// write fails, and the error is raised once the painter is out of the way.
class StreamDevice : public QIODevice {
 public:
  explicit StreamDevice(TStream& out) : out_(out) { open(QIODevice::WriteOnly); }
  bool isSequential() const override { return true; }
  void RaiseError() const {
    if (error_) std::rethrow_exception(error_);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    if (error_) return -1;
    try {
      out_.WriteBuffer(data, static_cast<size_t>(size));
    } catch (...) {
      error_ = std::current_exception();
      return -1;
    }
    return size;
  }

 private:
  TStream& out_;
  std::exception_ptr error_;
};

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
  StreamDevice device(out);
  QPdfWriter writer(&device);
  writer.setResolution(kPdfDpi);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setCreator("lumenfoldi");
  QPainter painter;
  TextRunCache runs;
  int done = 0;
  try {
    for (int index : list) {
      const TPreparedPage& p = pages.PageAt(index);
      QPageSize size(QSizeF(PageWidthInches(p) * 25.4, PageHeightInches(p) * 25.4),
                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
      writer.setPageSize(size);
      if (done == 0) {
        if (!painter.begin(&writer)) {
          device.RaiseError();
          throw Exception("cannot start a PDF document");
        }
      } else {
        writer.newPage();
      }
      device.RaiseError();
      PainterCanvas canvas(painter, kPdfDpi, true, &runs);
      CanvasRect rect{0, 0, static_cast<int32_t>(PageWidthInches(p) * kPdfDpi),
                      static_cast<int32_t>(PageHeightInches(p) * kPdfDpi)};
      DrawPageOnce(pages, index, canvas, rect);
      ++done;
      if (pageDone && !pageDone(done)) break;
    }
  } catch (...) {
    if (painter.isActive()) painter.end();
    throw;
  }
  if (painter.isActive()) painter.end();
  device.RaiseError();
  return done;
}

void WritePdf(TfrEMFPages& pages, const std::vector<int>& list, const std::string& path) {
  OutputFile file(path);
  WritePdf(pages, list, file);
  file.Commit();
}

}  // namespace lf
