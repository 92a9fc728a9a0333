// Report preparation: the run over the template's pages that forms the
// prepared pages, page and column breaks, the record loops, and the printing
// of one band with its objects, splits, sub-reports and cross-table cells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/model/band.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "platform/exception.h"

namespace lf {

// A preparation that cannot run or go on: a second preparation while one
// runs, a template whose bands or sub-reports loop, a report too long.
class EPrepareError : public Exception {
 public:
  using Exception::Exception;
};

// Output pages one preparation may form.
inline constexpr int kMaxPreparedPages = 1000000;
// Sub-reports printed inside sub-reports, counted from the outermost frame.
inline constexpr int kMaxSubReportDepth = 16;

// Progress texts of a run, also with no progress window.
inline constexpr const char* kProgressFirstPass = "Performing 1st pass:";
inline constexpr const char* kProgressPage = "Processing page:";

// Run state of the preparation beyond the engine's current state: the
// output page being filled, continuation of a following page, the dialog
// result. One preparation runs at a time.
struct TfrRunState {
  bool Preparing = false;        // from the start of PrepareReport until the template is back
  bool Cancelled = false;        // a dialog page was cancelled
  bool Continuing = false;       // the next template page continues this output page
  bool FooterDone = false;       // the page footer went out before continuing
  int32_t SavedCurY = 0;         // page units
  int32_t SavedBottomY = 0;      // page units
  int SubReportDepth = 0;        // sub-reports being formed or replayed inside one another
  std::string ProgressPrefix;    // "Performing 1st pass:" or "Processing page:"
};
TfrRunState& RunState();

// Receives the progress texts of a run when the report shows progress and
// has no OnProgress handler (a progress window, or standard error).
std::function<void(const std::string& text)>& ProgressTextHandler();

// ---- the run (prepare_report.cpp) ----

// Prepares report into its prepared pages; false when a dialog page was
// cancelled. The template is loaded back after every run, also when an
// error ends it; such an error then reaches the caller. A calculation error
// is shown in a box captioned "Error" and leaves no pages.
bool PrepareReport(TfrReport& report);
// One pass over the template's pages.
void BuildPages(TfrReport& report);
// Index of the output page being filled; "PAGE#" is this + 1.
int32_t OutputPageIndex();
void SetOutputPageIndex(int32_t index);
// Progress with page number n.
void ReportProgress(TfrReport& report, int n);
// The report whose prepared pages receive the output.
TfrReport& OutputReport();
// First pass of a two-pass run.
bool InFirstPass();
// Final pass of a two-pass run.
bool InSecondPass(const TfrReport& report);

// ---- output pages (output_pages.cpp) ----

int OutputPageCount();
// Appends an output page made from page; EPrepareError beyond the limit.
void AddOutputPage(TfrPage& page);
// The page limit in force: kMaxPreparedPages (tests lower it).
int32_t& PreparedPageLimit();
// Stream of output page index that printed objects append their records to.
TStream& OutputPageStream(int index);
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
// Marks the pages sub-report frames print; EPrepareError for a frame that
// names no page, a dialog page, or sub-reports that print each other.
void MarkSubReportPages(TfrReport& report);

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
void PrintSplit(TfrBand& band);
void ResetCounters(TfrBand& band, int32_t value);
// Adds the current record to the band's own keys and counts it; with a cross
// column, adds it to that column's keys of the cross cells instead.
void Accumulate(TfrBand& band, int crossColumn = 0);
void ResetBandAggregates(TfrBand& band);
// Whether the band holds cells of a cross band.
bool HoldsCrossCells(const TfrBand& band);
// Runs the band's compiled script with it as the current band.
void RunBandScript(TfrBand& band);
// Reports the error as a calculation error of the current object: message,
// error flag, StopRequested.
void ReportCalculationError(const std::string& error);

// ---- sub-reports (subreports.cpp) ----

void StartSubReports(TfrBand& band, int frameIndex);
void RunSubReports(TfrBand& band);
bool ReplayBands(TfrPage& subPage);

// ---- cross tables (cross_tables.cpp) ----

void PrintCrossColumns(TfrBand& band);
void PrintCrossCell(TfrBand& cross, TfrBand& row, int32_t x);

}  // namespace lf
