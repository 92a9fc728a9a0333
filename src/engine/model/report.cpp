// TfrReport: creation with defaults, clearing, object lookup, report
// information and the printer choice.
#include "engine/model/report.h"

#include <chrono>
#include <ctime>

#include "engine/data/dataset.h"
#include "engine/data/dataset_watch.h"
#include "engine/expr/date_time.h"
#include "engine/output/emf_pages.h"
#include "engine/functions/report_values.h"
#include "engine/run/globals.h"
#include "engine/template/template_format.h"
#include "engine/model/unique_name.h"
#include "engine/model/view.h"
#include "platform/code_page.h"
#include "printer/printer.h"
#include "printer/printer_selection.h"

namespace lf {

double NowDateTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, ms);
}

TfrReport::TfrReport()
    : Pages(std::make_unique<TfrPages>(this)),
      PreparedPages(NewEMFPages(this)),
      Dictionary(std::make_unique<TfrDataDictionary>()) {
  ResetReportInfo();
}

TemplateLoadResult TfrReport::LoadFromStream(TStream& stream) { return lf::LoadFromStream(*this, stream); }

void TfrReport::SaveToStream(TStream& stream) { lf::SaveToStream(*this, stream); }

void TfrReport::SetDataset(TfrDataset* dataset) {
  if (!datasetWatch_) datasetWatch_ = std::make_unique<TComponentWatch>([this] { Dataset = nullptr; });
  Dataset = dataset;
  datasetWatch_->Watch(dataset);
}

TfrReport::~TfrReport() {
  liveness_.End();
  // The engine-wide run state must not keep pointing into a report that is gone.
  DetachReport(*this);
  TfrEngineState& state = EngineState();
  if (state.CurReport == this) {
    state.CurReport = nullptr;
    state.CurPage = nullptr;
    state.CurBand = nullptr;
    state.CurView = nullptr;
    state.AggregateDataBand = nullptr;
  }
  if (state.MasterReport == this) state.MasterReport = nullptr;
  datasetWatch_.reset();
  Dictionary.reset();
  PreparedPages.reset();
  Pages.reset();
}

void TfrReport::Clear() {
  Pages->Clear();
  Dictionary->Clear();
  TwoPass = false;
  ResetReportInfo();
}

void TfrReport::ResetReportInfo() {
  ReportComment.clear();
  ReportName.clear();
  ReportAutor.clear();
  ReportVersionMajor.clear();
  ReportVersionMinor.clear();
  ReportVersionRelease.clear();
  ReportVersionBuild.clear();
  ReportCreateDate = ReportLastChange = NowDateTime();
  PasswordProtected = false;
  Password.clear();
  GeneratorVersion = kGeneratorVersion;
}

TfrView* TfrReport::FindObject(std::string_view name) const {
  for (int i = 0; i < Pages->Count(); ++i)
    if (TfrView* view = Pages->PageAt(i)->FindObject(name)) return view;
  return nullptr;
}

void TfrReport::SelectPrinterByName(const std::string& name) {
  lf::SelectPrinterByName(SharedPrinter(), name, UseDefaultPrinter, PrinterName);
}

bool TfrReport::ChangePrinter(int oldIndex, int newIndex) {
  return lf::ChangePrinter(SharedPrinter(), oldIndex, newIndex, PrinterName,
                           [this] { ReapplyPapers(); });
}

void TfrReport::ReapplyPapers() {
  for (int i = 0; i < Pages->Count(); ++i) {
    TfrPage* page = Pages->PageAt(i);
    page->ChangePaper(page->PaperCode, page->WidthDmm, page->HeightDmm, page->PaperSource,
                      page->Landscape);
  }
}

void TfrReport::NameUnnamedObjects() {
  TUniqueNamer namer(*this);
  for (int i = 0; i < Pages->Count(); ++i)
    for (const auto& view : Pages->PageAt(i)->Objects)
      if (view->Name.empty()) view->Name = namer.Take(view->BaseName);
}

std::string UniqueObjectName(const TfrReport& report, std::string_view base) {
  return TUniqueNamer(report).Take(base);
}

}  // namespace lf
