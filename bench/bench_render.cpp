// Benchmark of the main job on a list report (page header with captions,
// four fields per row, "[PAGE#] of [TOTALPAGES]" over two passes, a summary
// with SUM and COUNT): data text to tables, preparation, .frp writing and
// PDF writing for 10,000, 100,000 and 1,000,000 rows (or the counts given
// as arguments), with peak resident memory; then the whole command
// ("lumenfoldi render -o OUT.pdf TEMPLATE,DATA" on local files) with its
// own time and peak resident memory.
#include <QGuiApplication>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "control/lumenfoldi.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "engine/prepare/preparation.h"
#include "platform/output_file.h"
#include "platform/stream.h"
#include "bench_clock.h"

namespace {

using lf::bench::Clock;
using lf::bench::CpuSeconds;
using lf::bench::Seconds;

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

extern "C" char** environ;

struct CommandRun {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakRssMb = 0;
  int status = -1;
};

// Runs the program with args and waits for it; its own peak RSS.
CommandRun RunCommand(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  CommandRun run;
  auto t0 = Clock::now();
  // Its "N pages written" line would only break up the figures.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Seconds(t0);
  run.peakRssMb = usage.ru_maxrss / 1024;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// --keep leaves the template and data files in /tmp for running the command by hand.
bool keepFiles = false;

void Run(int rows) {
  std::string data = DataText(rows);
  const std::string base = "/tmp/bench_render_" + std::to_string(rows);
  WriteFile(base + ".json", data);
  lf::Tlumenfoldi control;
  auto t0 = Clock::now();
  control.LoadDataText(data);
  double tables = Seconds(t0);
  data.clear();
  data.shrink_to_fit();

  lf::TfrReport& report = control.frReport1();
  BuildTemplate(report);
  {
    lf::OutputFile file(base + ".frf");
    report.SaveToStream(file);
    file.Commit();
  }
  t0 = Clock::now();
  double c0 = CpuSeconds();
  lf::PrepareReport(report);
  double prepare = Seconds(t0);
  const double prepareCpu = CpuSeconds() - c0;
  const int pages = report.PreparedPages->Count();

  t0 = Clock::now();
  {
    lf::OutputFile file("/tmp/bench_render.frp");
    report.PreparedPages->WriteToStream(&file);
    file.Commit();
  }
  double frp = Seconds(t0);

  t0 = Clock::now();
  c0 = CpuSeconds();
  std::vector<int> all(static_cast<size_t>(pages));
  for (int i = 0; i < pages; ++i) all[static_cast<size_t>(i)] = i;
  lf::WritePdf(*report.PreparedPages, all, "/tmp/bench_render.pdf");
  double pdf = Seconds(t0);
  const double pdfCpu = CpuSeconds() - c0;
  std::remove("/tmp/bench_render.frp");
  std::remove("/tmp/bench_render.pdf");
  report.PreparedPages->Clear();

  std::printf("%8d rows %6d pages: tables %.3f s (%.0f rows/s), prepare 2 passes %.3f s "
              "(%.0f rows/s per pass), frp %.3f s (%.0f pages/s), pdf %.3f s (%.0f pages/s), "
              "total %.3f s, peak RSS %ld MB\n",
              rows, pages, tables, rows / tables, prepare, 2.0 * rows / prepare, frp, pages / frp,
              pdf, pages / pdf, tables + prepare + frp + pdf, PeakRssMb());
  std::printf("%8d rows by processor time: prepare %.3f s (%.0f rows/s per pass), pdf %.3f s "
              "(%.0f pages/s)\n",
              rows, prepareCpu, 2.0 * rows / prepareCpu, pdfCpu, pages / pdfCpu);
  std::fflush(stdout);

#ifdef LF_CLI_PATH
  CommandRun cli = RunCommand({LF_CLI_PATH, "render", "-o", base + ".pdf", base + ".frf," + base + ".json"});
  if (cli.status == 0)
    std::printf("%8d rows command render -> pdf: %.3f s (cpu %.3f s), peak RSS %ld MB\n", rows,
                cli.seconds, cli.cpuSeconds, cli.peakRssMb);
  else
    std::printf("%8d rows command render -> pdf failed (status %d)\n", rows, cli.status);
  std::fflush(stdout);
  std::remove((base + ".pdf").c_str());
#endif
  if (keepFiles) return;
  std::remove((base + ".json").c_str());
  std::remove((base + ".frf").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  lf::KeepPageBuffersInHeap();  // as the program does
  QGuiApplication app(argc, argv);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--keep") keepFiles = true;
    else counts.push_back(std::atoi(argv[i]));
  }
  if (counts.empty()) counts = {10000, 100000, 1000000};
  for (int rows : counts) Run(rows);
  return 0;
}
