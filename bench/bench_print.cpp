// Benchmark of printing: a list report of about 1,000 pages (the
// page-n-of-m example on generated rows, or the row count given as the
// argument) printed to a file queue of a private scheduler: seconds until
// the job is handed over (our side only), pages per second, resident memory
// before and while printing, then the scheduler's own time for the job.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "control/lumenfoldi.h"
#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "engine/output/print_prepared.h"
#include "engine/prepare/preparation.h"
#include "platform/stream.h"
#include "bench_clock.h"
#include "printer/printer.h"
#include "private_cupsd.h"

namespace {

using lf::bench::Clock;
using lf::bench::CpuSeconds;
using lf::bench::Seconds;

// Resident memory now, MB.
long RssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
  return 0;
}

std::string DataText(int rows) {
  std::string text = "[";
  for (int i = 1; i <= rows; ++i)
    text += std::string(i > 1 ? "," : "") + "{\"Sku\":\"SKU-" + std::to_string(i) +
            "\",\"Article\":\"Article " + std::to_string(i) + "\",\"Stock\":" +
            std::to_string(i % 500) + ",\"Price\":" + std::to_string(i % 90) + ".25}";
  return text + "]";
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // As the headless program does.
  lf::KeepPageBuffersInHeap();
  QGuiApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 51000;
  lf::test::PrivateCupsd cupsd;
  if (!cupsd.Running() || !cupsd.AddQueue("bench", true)) {
    std::fprintf(stderr, "no scheduler: %s\n", cupsd.Problem().c_str());
    return 1;
  }
  lf::Tlumenfoldi control;
  lf::TfrReport& report = control.frReport1();
  report.ShowProgress = false;
  control.LoadDataText(DataText(rows));
  {
    lf::TFileStream file(LF_SOURCE_DIR "/examples/page-n-of-m/template.frf", lf::FileMode::OpenRead);
    report.LoadFromStream(file);
  }
  lf::PrepareReport(report);
  const int pages = report.PreparedPages->Count();
  const long before = RssMb();
  long peak = before;
  report.OnProgress = [&](int) { peak = std::max(peak, RssMb()); };

  auto t0 = Clock::now();
  const double c0 = CpuSeconds();
  lf::TPrintResult result = report.PrintPrepared("", 1, true, lf::kParityAll);
  const double handOver = Seconds(t0);
  const double handOverCpu = CpuSeconds() - c0;
  if (result.Jobs.size() != 1) {
    std::fprintf(stderr, "expected one job\n");
    return 1;
  }
  t0 = Clock::now();
  const int state = cupsd.WaitForJob(result.Jobs[0].JobId, std::chrono::seconds(600)).state;
  const double scheduler = Seconds(t0);
  std::printf("%d pages: handed over in %.2f s (%.0f pages/s), %.2f s of processor time (%.0f "
              "pages/s); memory %ld MB before, %ld MB at most while printing; scheduler finished "
              "the job %.2f s later (state %d)\n",
              pages, handOver, pages / handOver, handOverCpu, pages / handOverCpu, before, peak,
              scheduler, state);
  return 0;
}
