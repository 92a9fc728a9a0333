// Text object speed: expand + wrap + print of an object with one field
// whose value is 40 characters, and of a 400-character paragraph wrapped in
// a 40-character width; objects per second of processor time.
#include <QGuiApplication>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/data_tables.h"
#include "engine/functions/report_values.h"
#include "engine/model/memo_layout.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
#include "platform/stream.h"

namespace {

// Processor time of this thread, so that other work on a shared machine
// does not count.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Rates {
  double cpu, wall;  // objects per second
};

// Prints memo passes times as a band would (measure, then print).
Rates Run(lf::TfrMemoView& memo, int passes, size_t& bytes) {
  lf::TMemoryStream page;
  const double start = CpuSeconds(), wallStart = WallSeconds();
  for (int i = 0; i < passes; ++i) {
    memo.DrawMode = lf::drCalcHeight;
    memo.CalcHeight();
    memo.Print(page);
    bytes += page.Bytes().size();
    page.Clear();
  }
  return {passes / (CpuSeconds() - start), passes / (WallSeconds() - wallStart)};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  using namespace lf;

  TComponent owner;
  TfrReport* report = TComponent::Create<TfrReport>(&owner, "frReport1");
  std::vector<TClientDataSet*> tables;
  LoadDataTables("[{\"name\":\"" + std::string(40, 'x') + "\"}]", owner, tables);
  AttachReport(SharedParser(), *report);
  EngineState().DocMode = kDocModePrinting;

  TfrMemoView simple;
  simple.Name = "Memo1";
  simple.Memo = {"[cds0.name]"};
  simple.Font.Name = "Liberation Mono";
  const int32_t advance = TfrAdvanceCache::For(simple.MeasureFont()).CharWidth("M");
  simple.SetBounds(0, 0, 60 * advance, 20);

  std::string paragraph;
  while (paragraph.size() < 400) paragraph += "lorem ipsum dolor sit amet consectetur ";
  paragraph.resize(400);
  TfrMemoView wrapped;
  wrapped.Name = "Memo2";
  wrapped.Memo = {paragraph};
  wrapped.Font.Name = "Liberation Mono";
  wrapped.SetFlag(flTextOnly, true);
  wrapped.SetBounds(0, 0, 40 * advance + 2 * wrapped.GapX, 20);

  size_t bytes = 0;
  Run(simple, 1000, bytes);
  const Rates simpleRate = Run(simple, 200000, bytes);
  Run(wrapped, 1000, bytes);
  const Rates wrappedRate = Run(wrapped, 50000, bytes);
  std::printf("one field, 40-character value   %10.0f objects/s of processor time, %10.0f of wall time (goal 500000)\n",
              simpleRate.cpu, simpleRate.wall);
  std::printf("400-character wrapped paragraph %10.0f objects/s of processor time, %10.0f of wall time (goal 50000)\n",
              wrappedRate.cpu, wrappedRate.wall);
  std::printf("(%zu bytes written)\n", bytes);
  return 0;
}
