// PrepareReport with its template copy and restore, the passes and BuildPages.
#include <cmath>

#include "engine/data/dataset.h"
#include "engine/expr/locale.h"
#include "engine/functions/report_values.h"
#include "engine/model/memo_view.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "engine/template/template_format.h"
#include "engine/script/interpreter.h"
#include "platform/message_box.h"
#include "platform/message_wait.h"

namespace lf {
namespace {

// The engine-wide pointers into a run's bands and objects.
void ClearEnginePointers(TfrEngineState& st) {
  st.CurPage = nullptr;
  st.CurBand = nullptr;
  st.CurView = nullptr;
  st.AggregateDataBand = nullptr;
  st.AggregatesRegistering = false;
  st.FirstPass = false;
  Globals().HookedObjects.clear();
}

// Run state that must not outlive a run, whatever ends it: the engine may
// never point at a band or object that the restore destroyed.
void ClearRunPointers(TfrReport& report) {
  TfrEngineState& st = EngineState();
  ClearEnginePointers(st);
  if (st.MasterReport == &report) st.MasterReport = nullptr;
  report.ActivePage = nullptr;
  report.InFinalPass = false;
  report.BandPrinter = nullptr;
}

// The engine-wide pointers of a run whose report was destroyed mid-run.
void ForgetRun() {
  TfrEngineState& st = EngineState();
  ClearEnginePointers(st);
  st.CurReport = nullptr;
  st.MasterReport = nullptr;
  st.Preparing = false;
}

}  // namespace

TfrRunContext::TfrRunContext(TfrReport& report, TfrRunOptions options)
    : Options(std::move(options)), report_(report), alive_(report.Guard()) {}

void TfrRunContext::CheckAlive() const {
  if (!alive_.Alive()) throw EOwnerDestroyed();
}

// One or two passes.
bool TfrRunContext::RunPasses(TfrReport& report) {
  TfrRunState& rs = State;
  TfrEngineState& st = EngineState();
  report.StopRequested = false;
  rs.Continuing = false;
  rs.FooterDone = false;
  rs.SavedCurY = rs.SavedBottomY = 0;
  st.FirstPass = false;
  report.InFinalPass = true;
  SetOutputPageIndex(0);
  ClearOutputPages(report);
  if (report.TwoPass) {
    st.FirstPass = true;
    report.InFinalPass = false;
    rs.ProgressPrefix = LoadLocalizedString(55204);
    PassWorker(report);
    return true;
  }
  report.TwoPass = report.SavedTwoPass;
  rs.ProgressPrefix = LoadLocalizedString(55205);
  // A single pass counts no pages: TOTALPAGES of an earlier run is gone.
  if (!report.SavedTwoPass) st.TotalPages = 0;
  PassWorker(report);
  return true;
}

void TfrRunContext::PassWorker(TfrReport& report) {
  BuildPages(report);
  if (report.InFinalPass) return;
  EngineState().TotalPages = OutputPageCount();
  report.TwoPass = false;
  if (report.StopRequested) {
    ClearOutputPages(report);
  } else {
    RunPasses(report);
  }
  report.TwoPass = true;
}

int32_t OutputPageIndex() { return EngineState().PageNo - 1; }
void SetOutputPageIndex(int32_t index) { EngineState().PageNo = index + 1; }

TfrReport& OutputReport() {
  TfrEngineState& st = EngineState();
  return st.MasterReport ? *st.MasterReport : *st.CurReport;
}

bool InFirstPass() { return EngineState().FirstPass; }
bool InSecondPass(const TfrReport& report) { return report.SavedTwoPass && !EngineState().FirstPass; }

void TfrRunContext::ReportProgress(TfrReport& report, int n) {
  if (report.OnProgress) {
    report.OnProgress(n);
    CheckAlive();
  } else if (report.ShowProgress && Options.Progress) {
    std::string text = State.ProgressPrefix + " " + std::to_string(n);
    if (InSecondPass(report))
      text += " " + LoadLocalizedString(55199) + " " + std::to_string(EngineState().TotalPages);
    Options.Progress(text);
    CheckAlive();
  }
  recordsSinceCheck_ = 0;
  ProcessMessages();
  CheckAlive();
}

void TfrRunContext::CountRecord() {
  if (++recordsSinceCheck_ < kRecordsPerMessageCheck) return;
  recordsSinceCheck_ = 0;
  ProcessMessages();
  CheckAlive();
}

bool PrepareReport(TfrReport& report, TfrRunOptions options) {
  TfrRunContext run(report, std::move(options));
  return run.Prepare();
}

bool TfrRunContext::Prepare() {
  TfrReport& report = report_;
  TfrRunState& rs = State;
  TfrEngineState& st = EngineState();
  if (st.Preparing)
    throw EPrepareError("A report is being prepared already; it cannot be prepared again until it ends");
  if (ran_) throw EPrepareError("A run context prepares one report once");
  ran_ = true;
  report.SelectPrinterByName(report.PrinterName);
  rs = TfrRunState{};
  st.Preparing = true;
  double now = NowDateTime();
  st.StartDate = std::floor(now);
  st.StartTime = now - std::floor(now);
  st.CurPage = nullptr;
  st.CurBand = nullptr;
  st.CurReport = &report;
  st.MasterReport = &report;
  st.DocMode = kDocModePrinting;
  st.ErrorFlag = false;
  st.ErrorText.clear();
  report.SavedTwoPass = report.TwoPass;
  AttachReport(SharedParser(), report);
  report.BandPrinter = this;

  TMemoryStream saved;
  report.SaveToStream(saved);
  bool result = false;
  try {
    if (report.OnBeginDoc) report.OnBeginDoc();
    CheckAlive();
    result = RunPasses(report);
    if (report.OnEndDoc) report.OnEndDoc();
    CheckAlive();
  } catch (...) {
    if (!alive_.Alive()) {
      // An event handled during the run destroyed the report: nothing of it
      // may be touched, only the engine's pointers into it go.
      ForgetRun();
      throw;
    }
    // Whatever ended the run, the template comes back as it was and the
    // prepared pages of the broken run go.
    for (int i = 0; i < report.Pages->Count(); ++i) {
      TfrPage* page = report.Pages->PageAt(i);
      page->ClearBands();
      page->Initialized = false;
    }
    ClearRunPointers(report);
    saved.SetPosition(0);
    report.LoadFromStream(saved);
    ClearRunPointers(report);
    ClearOutputPages(report);
    report.TwoPass = report.SavedTwoPass;
    st.Preparing = false;
    throw;
  }
  bool errorFlag = st.ErrorFlag;
  std::string errorText = st.ErrorText;
  ClearRunPointers(report);
  saved.SetPosition(0);
  report.LoadFromStream(saved);
  ClearRunPointers(report);
  st.Preparing = false;
  if (result && rs.Cancelled) result = false;
  if (errorFlag) {
    ShowMessageBox(LoadLocalizedString(55206), errorText, mbOK | mbIconError);
    ClearOutputPages(report);
  } else if (rs.Cancelled) {
    ClearOutputPages(report);
  }
  return result;
}

void TfrRunContext::BuildPages(TfrReport& report) {
  TfrRunState& rs = State;
  TfrEngineState& st = EngineState();
  ProcessMessages();
  CheckAlive();
  report.Rebuildable = true;
  st.CurReport = &report;
  report.Dictionary->ClearCache();
  AttachReport(SharedParser(), report);
  st.ErrorFlag = false;
  TfrPages& pages = *report.Pages;
  const bool repeat = report.Dataset && report.ReportType == rtMultiple;
  if (repeat) {
    report.Dataset->Init();
    report.Dataset->First();
  }
  if (!InSecondPass(report)) {
    Globals().HookedObjects.clear();
    rs.Cancelled = false;
    MarkSubReportPages(report);
  }
  for (int i = 0; i < pages.Count() && !rs.Cancelled; ++i)
    if (pages[i]->PageType == ptDialog) InitRun(*pages[i]);
  if (!rs.Cancelled) {
    for (int i = 0; i < pages.Count(); ++i)
      if (pages[i]->PageType == ptReport) InitRun(*pages[i]);
    if (!InSecondPass(report))
      for (int i = 0; i < pages.Count(); ++i)
        if (pages[i]->PageType == ptReport) RegisterPageAggregates(*pages[i]);
    while (true) {
      ReportProgress(report, OutputPageIndex() + 1);
      for (int j = 0; j < pages.Count(); ++j) {
        TfrPage& page = *pages[j];
        report.ActivePage = &page;
        st.CurPage = &page;
        if (!page.Visible && !page.Script.empty()) {
          st.CurView = nullptr;
          RunScript(page.Script);
        }
        if (page.PageType == ptReport && page.Visible && !page.IsSubReportPage) {
          page.RecordMode = 0;
          BuildPage(page);
          rs.Continuing = false;
          TfrPage* next = pages.PageAt(j + 1);
          // A page that formed nothing has no output page to continue on.
          if (next && next->PrintToPrevPage && OutputPageIndex() > 0 &&
              OutputPageIndex() <= OutputPageCount()) {
            SetOutputPageIndex(OutputPageIndex() - 1);
            rs.Continuing = true;
          } else {
            SetOutputPageIndex(OutputPageCount());
            ReportProgress(report, OutputPageIndex());
          }
        }
        if (report.StopRequested) break;
      }
      ReportProgress(report, OutputPageIndex());
      if (!repeat || report.StopRequested) break;
      report.Dataset->Next();
      if (report.Dataset->Eof()) break;
    }
  }
  for (int i = 0; i < pages.Count(); ++i)
    if (pages[i]->PageType == ptReport) EndRun(*pages[i]);
  for (int i = 0; i < pages.Count(); ++i)
    if (pages[i]->PageType == ptDialog) EndRun(*pages[i]);
  if (repeat && report.Dataset) report.Dataset->Exit();
}

}  // namespace lf
