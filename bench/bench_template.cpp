// Benchmark of the template format: saves and loads a generated template of
// 10,000 objects and prints MB/s and objects per second for both directions.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/model/band_view.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "platform/message_box.h"

namespace {

constexpr int kObjects = 10000;
constexpr int kPages = 20;
constexpr int kRounds = 10;

std::unique_ptr<lf::TfrReport> Generate() {
  auto r = std::make_unique<lf::TfrReport>();
  for (int p = 0; p < kPages; ++p) r->Pages->Add();
  for (int i = 0; i < kObjects; ++i) {
    lf::TfrPage* page = r->Pages->PageAt(i % kPages);
    std::unique_ptr<lf::TfrView> v;
    switch (i % 10) {
      case 0: {
        auto b = std::make_unique<lf::TfrBandView>();
        b->SetBandType(lf::btMasterData);
        b->FormatStr = "frdataset0";
        v = std::move(b);
        break;
      }
      case 1: v = std::make_unique<lf::TfrLineView>(); break;
      case 2: {
        auto p2 = std::make_unique<lf::TfrPictureView>();
        p2->Picture = {lf::TfrGraphicKind::JPEG, std::string(512, '\x42')};
        v = std::move(p2);
        break;
      }
      default: {
        auto m = std::make_unique<lf::TfrMemoView>();
        m->Memo = {"[cds0.Name] [cds0.\"unit price\"]", "Total: [SUM(cds0.Amount)]"};
        m->Script = {"if [cds0.Qty] > 10 then FillColor := clYellow"};
        m->Highlight.Condition = "Value < 0";
        v = std::move(m);
      }
    }
    v->Name = "Obj" + std::to_string(i + 1);
    v->SetBounds(i % 700, (i * 7) % 1000, 120, 18);
    page->AddObject(std::move(v));
  }
  return r;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  lf::RecordingMessageService boxes;
  lf::ScopedMessageService scoped(&boxes);
  auto report = Generate();

  lf::TMemoryStream out;
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    out.Clear();
    lf::SaveToStream(*report, out, true);
  }
  double save = Seconds(std::chrono::steady_clock::now() - t0) / kRounds;
  const double mb = static_cast<double>(out.Bytes().size()) / (1024.0 * 1024.0);

  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    lf::TfrReport loaded;
    lf::TMemoryStream in(out.Bytes());
    lf::LoadFromStream(loaded, in);
  }
  double load = Seconds(std::chrono::steady_clock::now() - t0) / kRounds;

  std::printf("template: %d objects on %d pages, %.2f MB\n", kObjects, kPages, mb);
  std::printf("save: %.1f ms, %.1f MB/s, %.0f objects/s\n", save * 1000, mb / save, kObjects / save);
  std::printf("load: %.1f ms, %.1f MB/s, %.0f objects/s\n", load * 1000, mb / load, kObjects / load);
  if (!boxes.boxes.empty()) std::printf("load showed a box: %s\n", boxes.boxes[0].text.c_str());
  std::fflush(stdout);
  return 0;
}
