// Benchmark of the preview on a prepared report of 10,000 pages (offscreen):
// time to the first painted page, time of a scroll by one screen, and the
// resident memory before and after scrolling through every page.
#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "engine/model/view_factory.h"
#include "engine/output/emf_pages.h"
#include "engine/template/template_stream.h"
#include "preview/page_box.h"
#include "preview/preview_form.h"

namespace {

constexpr int kPages = 10000;
constexpr int kTextsPerPage = 30;
constexpr int kScrollSamples = 200;

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

long ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// Pages of kTextsPerPage text objects each, as preparation leaves them.
std::unique_ptr<lf::TfrReport> Generate() {
  auto report = std::make_unique<lf::TfrReport>();
  lf::TfrPage a4(9, 2100, 2970, -1, false);
  lf::ScopedStreamVersion version(lf::kCurrentStreamVersion);
  for (int p = 0; p < kPages; ++p) {
    report->PreparedPages->Insert(p, a4);
    lf::TStream& s = *report->PreparedPages->PageAt(p).Stream;
    s.Seek(0, lf::SeekOrigin::End);
    for (int i = 0; i < kTextsPerPage; ++i) {
      std::unique_ptr<lf::TfrView> memo = lf::CreateView(lf::gtMemo);
      memo->Name = "Memo" + std::to_string(i + 1);
      memo->SetBounds(40, 40 + i * 32, 600, 28);
      memo->WorkLines = {"Page " + std::to_string(p + 1) + ", line " + std::to_string(i + 1)};
      memo->StreamMode = true;
      lf::WriteU8(s, memo->TypeCode);
      memo->SaveToStream(s);
      memo->StreamMode = false;
    }
  }
  return report;
}

}  // namespace

// Paints the page box as the screen would (into an image of its size, so
// that painting happens whether or not a display shows the window).
void Paint(lf::TfrPreviewForm& form, QImage& target) { form.Viewer().PBox()->render(&target); }

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  auto report = Generate();
  report->ModalPreview = false;
  const long unshown = ResidentKb();
  std::printf("pages: %d, %d texts each\n", kPages, kTextsPerPage);

  // Once cold (the process's first window and fonts), once warm.
  double firstPage[2] = {0, 0};
  for (int round = 0; round < 2; ++round) {
    lf::TfrPreviewForm form;
    auto t0 = Clock::now();
    form.ShowFor(*report);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1000, 800);
    QImage target(form.Viewer().PBox()->size(), QImage::Format_RGB32);
    Paint(form, target);
    firstPage[round] = Ms(t0, Clock::now());
    form.Viewer().ReturnPages();
  }
  std::printf("first page painted: %.1f ms after the pages exist (%.1f ms in the process's first window)\n",
              firstPage[1], firstPage[0]);

  lf::TfrPreviewForm form;
  form.ShowFor(*report);
  form.setWindowState(Qt::WindowNoState);
  form.resize(1000, 800);
  QImage target(form.Viewer().PBox()->size(), QImage::Format_RGB32);
  Paint(form, target);
  const long before = ResidentKb();
  Clock::time_point t0, t1;

  const int screen = form.Viewer().PBox()->height();
  t0 = Clock::now();
  for (int i = 0; i < kScrollSamples; ++i) {
    form.Viewer().SetVPos(form.Viewer().VPos() + screen);
    Paint(form, target);
  }
  t1 = Clock::now();
  std::printf("scroll by one screen (%d px): %.2f ms\n", screen, Ms(t0, t1) / kScrollSamples);

  form.Viewer().SetVPos(0);
  t0 = Clock::now();
  int screens = 0;
  while (form.Viewer().VPos() < form.Viewer().VScrollBar()->maximum()) {
    form.Viewer().SetVPos(form.Viewer().VPos() + screen);
    Paint(form, target);
    ++screens;
  }
  t1 = Clock::now();
  const long after = ResidentKb();
  int materialized = 0;
  for (int i = 0; i < form.Pages()->Count(); ++i)
    if (form.Pages()->PageAt(i).Page) ++materialized;
  std::printf("scrolled through every page: %d screens in %.0f ms\n", screens, Ms(t0, t1));
  std::printf("resident memory: %.1f MB with the pages unshown, %.1f MB showing the first screen, %.1f MB after "
              "scrolling through every page (%+.1f MB)\n",
              unshown / 1024.0, before / 1024.0, after / 1024.0, (after - before) / 1024.0);
  std::printf("pages holding objects after the scroll: %d\n", materialized);
  std::fflush(stdout);
  return 0;
}
