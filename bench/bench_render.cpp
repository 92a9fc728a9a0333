// Benchmark of the main job on a list report (page header with captions,
// four fields per row, "[PAGE#] of [TOTALPAGES]" over two passes, a summary
// with SUM and COUNT): data text to tables, preparation, .frp writing and
// PDF writing for 10,000, 100,000 and 1,000,000 rows (or the counts given
// as arguments), with peak resident memory.
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "control/lumenfoldi.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "platform/painter_canvas.h"
#include "platform/stream.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

std::string DataText(int rows) {
  static const char* cities[] = {"Berlin", "Lyon", "Porto", "Graz", "Turku"};
  std::string text = "[";
  text.reserve(static_cast<size_t>(rows) * 70);
  for (int i = 1; i <= rows; ++i) {
    if (i > 1) text += ',';
    text += "{\"id\":\"" + std::to_string(i) + "\",\"name\":\"Customer " + std::to_string(i) +
            "\",\"city\":\"" + cities[i % 5] + "\",\"amount\":\"" + std::to_string(i % 1000) + "." +
            std::to_string(i % 100) + "\"}";
  }
  return text + "]";
}

lf::TfrBandView& AddBand(lf::TfrPage& page, lf::TfrBandType kind, int top, int height,
                         const std::string& source = "") {
  auto band = std::make_unique<lf::TfrBandView>();
  band->SetBandType(kind);
  band->SetBounds(0, top, 700, height);
  band->FormatStr = source;
  band->Flags = lf::flBandOnFirstPage | lf::flBandOnLastPage;
  return static_cast<lf::TfrBandView&>(*page.AddObject(std::move(band)));
}

void AddText(lf::TfrPage& page, int left, int top, int width, const std::string& text) {
  auto memo = std::make_unique<lf::TfrMemoView>();
  memo->SetBounds(left, top, width, 18);
  memo->Memo = {text};
  memo->Flags = 0;
  page.AddObject(std::move(memo));
}

void BuildTemplate(lf::TfrReport& report) {
  report.TwoPass = true;
  report.ShowProgress = false;
  lf::TfrPage& page = *report.Pages->Add();
  AddBand(page, lf::btPageHeader, 20, 20);
  const char* captions[] = {"Id", "Name", "City", "Amount"};
  for (int i = 0; i < 4; ++i) AddText(page, 40 + i * 160, 20, 150, captions[i]);
  AddBand(page, lf::btMasterData, 60, 18, "frdataset0");
  AddText(page, 40, 60, 150, "[cds0.id]");
  AddText(page, 200, 60, 150, "[cds0.name]");
  AddText(page, 360, 60, 150, "[cds0.city]");
  AddText(page, 520, 60, 150, "[cds0.amount #N0.00]");
  AddBand(page, lf::btReportSummary, 100, 20);
  AddText(page, 40, 100, 300, "Total [SUM([cds0.amount])] in [COUNT(MasterData1)] rows");
  AddBand(page, lf::btPageFooter, 140, 20);
  AddText(page, 40, 140, 300, "[PAGE#] of [TOTALPAGES]");
  report.NameUnnamedObjects();
}

void WritePdf(lf::TfrEMFPages& pages, const std::string& path) {
  QPdfWriter writer(QString::fromStdString(path));
  constexpr int kDpi = 600;
  writer.setResolution(kDpi);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(QPageSize::A4));
  QPainter painter(&writer);
  for (int i = 0; i < pages.Count(); ++i) {
    if (i > 0) writer.newPage();
    lf::PainterCanvas canvas(painter, kDpi, true);
    const lf::TPreparedPage& p = pages.PageAt(i);
    lf::CanvasRect rect{0, 0, static_cast<int32_t>(p.Metrics.SheetWidth * kDpi / (93.0 / 1.015)),
                        static_cast<int32_t>(p.Metrics.SheetHeight * kDpi / (93.0 / 1.015))};
    pages.PageAt(i).Shown = true;
    pages.Draw(i, canvas, rect);
    pages.PageAt(i).Shown = false;
    pages.Draw(i, canvas, lf::CanvasRect{});
  }
}

void Run(int rows) {
  std::string data = DataText(rows);
  lf::Tlumenfoldi control;
  auto t0 = Clock::now();
  control.LoadDataText(data);
  double tables = Seconds(t0);
  data.clear();
  data.shrink_to_fit();

  lf::TfrReport& report = control.frReport1();
  BuildTemplate(report);
  t0 = Clock::now();
  lf::PrepareReport(report);
  double prepare = Seconds(t0);
  const int pages = report.PreparedPages->Count();

  t0 = Clock::now();
  {
    lf::TFileStream file("/tmp/bench_render.frp", lf::FileMode::Create);
    report.PreparedPages->WriteToStream(&file);
  }
  double frp = Seconds(t0);

  t0 = Clock::now();
  WritePdf(*report.PreparedPages, "/tmp/bench_render.pdf");
  double pdf = Seconds(t0);
  std::remove("/tmp/bench_render.frp");
  std::remove("/tmp/bench_render.pdf");

  std::printf("%8d rows %6d pages: tables %.3f s (%.0f rows/s), prepare 2 passes %.3f s "
              "(%.0f rows/s per pass), frp %.3f s (%.0f pages/s), pdf %.3f s (%.0f pages/s), "
              "total %.3f s, peak RSS %ld MB\n",
              rows, pages, tables, rows / tables, prepare, 2.0 * rows / prepare, frp, pages / frp,
              pdf, pages / pdf, tables + prepare + frp + pdf, PeakRssMb());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10000, 100000, 1000000};
  for (int rows : counts) Run(rows);
  return 0;
}
