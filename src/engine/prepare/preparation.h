// Report preparation: the run over the template's pages that forms the
// prepared pages, page and column breaks, the record loops, and the printing
// of one band with its objects, splits, sub-reports and cross-table cells.
// Everything one run needs lives in its run context, which the stages below
// are members of; nothing of a run is kept process-wide.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/model/band.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "platform/exception.h"
#include "platform/liveness.h"

namespace lf {

class TfrDataset;

// A preparation that cannot run or go on: a second preparation while one
// runs, a template whose bands or sub-reports loop, a report too long.
class EPrepareError : public Exception {
 public:
  using Exception::Exception;
};

// Output pages one preparation may form.
inline constexpr int kMaxPreparedPages = 1000000;
// Bytes the page streams of one preparation may hold together.
inline constexpr int64_t kMaxPreparedBytes = int64_t{1} << 30;
// Band actions the sub-reports of one preparation may hold recorded at
// once (each record of a sub-report's data is at least two).
inline constexpr int64_t kMaxRecordedActions = 8000000;
// Bands in one chain of child bands, the first included: each child prints
// one level deeper than its parent.
inline constexpr int kMaxChildBandChain = 1000;
// Sub-reports printed inside sub-reports, counted from the outermost frame.
inline constexpr int kMaxSubReportDepth = 16;
// Records a run walks between two looks at the application's messages.
inline constexpr int kRecordsPerMessageCheck = 4096;

// What one run may use; going beyond any of them stops the run with an
// EPrepareError that names the limit.
struct TfrRunBudgets {
  int32_t Pages = kMaxPreparedPages;
  int64_t PreparedBytes = kMaxPreparedBytes;
  int64_t RecordedActions = kMaxRecordedActions;
};

// What the caller of a preparation chooses.
struct TfrRunOptions {
  TfrRunBudgets Budgets;
  // Receives the progress texts (host code page) when the report shows
  // progress and has no OnProgress handler: a progress window, standard
  // error. Empty: the texts go nowhere.
  std::function<void(const std::string& text)> Progress;
};

// Where the run stands beyond the engine's current state: continuation of
// a following page, the dialog result, the pass's progress text.
struct TfrRunState {
  bool Cancelled = false;        // a dialog page was cancelled
  bool Continuing = false;       // the next template page continues this output page
  bool FooterDone = false;       // the page footer went out before continuing
  int32_t SavedCurY = 0;         // page units
  int32_t SavedBottomY = 0;      // page units
  int SubReportDepth = 0;        // sub-reports being formed or replayed inside one another
  std::string ProgressPrefix;    // "Performing 1st pass:" or "Processing page:"
};

// One preparation of one report. PrepareReport makes one for each run;
// tests make their own to choose budgets or watch the progress texts. The
// report must outlive the context unless it is destroyed by an event handled
// while the run dispatches messages: the run then stops with
// EOwnerDestroyed without touching the report again.
class TfrRunContext : public TfrBandPrinter {
 public:
  explicit TfrRunContext(TfrReport& report, TfrRunOptions options = {});
  TfrRunContext(const TfrRunContext&) = delete;
  TfrRunContext& operator=(const TfrRunContext&) = delete;

  // Prepares the report into its prepared pages; false when a dialog page
  // was cancelled. The template is loaded back after every run, also when an
  // error ends it; such an error then reaches the caller. A calculation error
  // is shown in a box captioned "Error" and leaves no pages. A context runs once.
  bool Prepare();

  TfrRunState State;
  const TfrRunOptions Options;
  // Bytes the page streams of this run hold, and band actions recorded now.
  int64_t PreparedBytes = 0;
  int64_t RecordedActions = 0;

  // Whether the report still exists; false once an event handler destroyed it.
  bool ReportAlive() const { return alive_.Alive(); }

  // ---- the run (prepare_report.cpp) ----

  // One pass over the template's pages.
  void BuildPages(TfrReport& report);
  // Progress with page number n; lets the application handle its messages.
  void ReportProgress(TfrReport& report, int n);
  // Counts one record walked and, every kRecordsPerMessageCheck records,
  // lets the application handle its messages.
  void CountRecord();

  // ---- output pages (output_pages.cpp) ----

  // Appends an output page made from page; EPrepareError beyond the budget.
  void AddOutputPage(TfrPage& page);
  // Prints an object onto output page index, counting its bytes.
  void PrintOnOutputPage(TfrView& view, int index);
  void ClearOutputPages(TfrReport& report);

  // ---- binding (bind_objects.cpp) ----

  // Dialog page shown (headless: its script only), report page bound.
  void InitRun(TfrPage& page);
  // Builds the 23 run-time bands and assigns the objects.
  void BindObjects(TfrPage& page);
  // Binds whole-text field objects and registers the aggregates.
  void RegisterPageAggregates(TfrPage& page);
  // Destroys the run-time bands (kept between the passes of a two-pass run).
  void EndRun(TfrPage& page);

  // ---- page forming (run_level.cpp, page_forming.cpp) ----

  void BuildPage(TfrPage& page);
  void RunLevel(TfrPage& page, int level);
  void EmitBand(TfrPage& page, TfrBand* band);
  void StartNewPage(TfrPage& page);
  void StartNewColumn(TfrPage& page, TfrBand* band);
  void FinishPages(TfrPage& page);

  // ---- band printing (band_printing.cpp) ----

  bool PrintBand(TfrBand& band);
  void PutBand(TfrBand& band);
  int32_t BandHeight(TfrBand& band);
  int32_t MeasureHeight(TfrBand& band);
  bool CheckPageBreak(TfrBand& band, int32_t top, int32_t height, bool testOnly);
  bool PrintObjects(TfrBand& band);
  void PrintObject(TfrBand& band, TfrView& view);
  // Prints view moved by (dx, dy) on the output page being filled.
  void PrintShifted(TfrView& view, int32_t dx, int32_t dy);
  void PrintSplit(TfrBand& band);
  // Adds the current record to the band's own keys and counts it; with a cross
  // column, adds it to that column's keys of the cross cells instead.
  void Accumulate(TfrBand& band, int crossColumn = 0);
  void ResetBandAggregates(TfrBand& band);
  // Runs the band's compiled script with it as the current band.
  void RunBandScript(TfrBand& band);
  // Runs a compiled script of the current object or page.
  void RunScript(const TfrLines& script);
  // Reports the error as a calculation error of the current object: message,
  // error flag, StopRequested.
  void ReportCalculationError(const std::string& error);
  // Rethrows the exception being handled when it must end the run (a
  // preparation error, the report destroyed); otherwise reports it as a
  // calculation error. Call only inside a catch block.
  void HandleObjectError();

  // ---- sub-reports (subreports.cpp) ----

  void StartSubReports(TfrBand& band, int frameIndex);
  void RunSubReports(TfrBand& band);
  bool ReplayBands(TfrPage& subPage);
  // Appends a band action to a sub-report page's play list, and empties one.
  void Record(TfrPage& page, TfrBand* band, int action);
  void ClearPlayList(TfrPage& page);

  // ---- cross tables (cross_tables.cpp) ----

  void PrintCrossColumns(TfrBand& band);
  void PrintCrossCell(TfrBand& cross, TfrBand& row, int32_t x);

  // SHOWBAND: prints the band at once, also in record mode.
  void ShowBand(TfrBand& band) override { PrintBand(band); }

  // Bands waiting until it is known whether their data subset is empty.
  struct PendingBands {
    std::vector<TfrBand*> bands;
    int deepest = 1;
  };

 private:
  class PendingScope;
  class DepthScope;

  bool RunPasses(TfrReport& report);
  void PassWorker(TfrReport& report);
  // Raises EOwnerDestroyed once the report is gone.
  void CheckAlive() const;
  void PrintPending(TfrPage& page, PendingBands& pending);
  bool GroupChanged(TfrBand& header, TfrDataset& dataset);
  void RunSubReportRounds(TfrBand& band, bool afterNewPage);
  void MakeRoom(TfrPage& page, TfrBand& row, int32_t& x, int32_t w, int32_t rowIndex);
  void RunDialogPage(TfrPage& page);
  // Tells the objects with the Hooked flag that a text object printed.
  void TellHooked(TfrView& printed);

  TfrReport& report_;
  LivenessGuard alive_;
  bool ran_ = false;
  int recordsSinceCheck_ = 0;
  // One list per page being formed, innermost last: a sub-report page forms
  // while its frame's band prints. A deque keeps the outer lists in place.
  std::deque<PendingBands> pending_;
};

// Prepares report with a run context of its own; see TfrRunContext::Prepare.
bool PrepareReport(TfrReport& report, TfrRunOptions options = {});

// Index of the output page being filled; "PAGE#" is this + 1.
int32_t OutputPageIndex();
void SetOutputPageIndex(int32_t index);
// The report whose prepared pages receive the output.
TfrReport& OutputReport();
int OutputPageCount();
// First pass of a two-pass run.
bool InFirstPass();
// Final pass of a two-pass run.
bool InSecondPass(const TfrReport& report);
// Whether the band holds cells of a cross band.
bool HoldsCrossCells(const TfrBand& band);
void ResetCounters(TfrBand& band, int32_t value);
// Marks the pages sub-report frames print; EPrepareError for a frame that
// names no page, a dialog page, or sub-reports that print each other.
void MarkSubReportPages(TfrReport& report);

}  // namespace lf
