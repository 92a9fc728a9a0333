// TfrReport's printing of prepared pages: each job's document is a PDF drawn
// page by page into the print system's stream.
#include "engine/output/print_prepared.h"

#include <algorithm>

#include "engine/data/dataset_errors.h"
#include "engine/expr/locale.h"
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "platform/message_wait.h"
#include "printer/printer.h"

namespace lf {

std::vector<bool> ParsePrintPageList(const std::string& list, int pageCount) {
  const size_t count = static_cast<size_t>(std::max(0, pageCount));
  std::string text;
  for (char c : list)
    if (c != ' ') text += c;
  if (text.empty()) return std::vector<bool>(count, true);
  std::vector<bool> selected(count, false);
  if (text.back() == '-') text += std::to_string(pageCount);
  text += ',';
  // Numbers outside 1..pageCount select nothing, so a range is cut to the
  // pages there are before its pages are marked.
  auto mark = [&](int64_t from, int64_t to) {
    from = std::max<int64_t>(from, 1);
    to = std::min<int64_t>(to, pageCount);
    for (int64_t n = from; n <= to; ++n) selected[static_cast<size_t>(n - 1)] = true;
  };
  size_t start = 0;
  bool range = false;
  int32_t rangeStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',') {
      const int32_t n = TextToInteger(std::string_view(text).substr(start, i - start));
      if (range) mark(rangeStart, n);
      else mark(n, n);
      range = false;
      start = i + 1;
    } else if (text[i] == '-') {
      range = true;
      rangeStart = TextToInteger(std::string_view(text).substr(start, i - start));
      start = i + 1;
    }
  }
  return selected;
}

std::vector<int> PrintSequence(const std::vector<bool>& selected, int parity, int copies,
                               bool collate) {
  std::vector<int> pass;
  for (size_t i = 0; i < selected.size(); ++i) {
    if (!selected[i]) continue;
    const bool odd = (i + 1) % 2 == 1;
    if ((parity == kParityOdd && !odd) || (parity == kParityEven && odd)) continue;
    pass.push_back(static_cast<int>(i));
  }
  std::vector<int> sequence;
  const int passes = collate ? std::max(1, copies) : 1;
  sequence.reserve(pass.size() * static_cast<size_t>(passes));
  for (int p = 0; p < passes; ++p) sequence.insert(sequence.end(), pass.begin(), pass.end());
  return sequence;
}

namespace {

// Progress with page number n; lets the application handle its messages,
// which may destroy the report.
void ReportPrintProgress(TfrReport& report, const LivenessGuard& alive, int n,
                         const std::function<void(const std::string&)>& progress) {
  if (report.OnProgress) {
    report.OnProgress(n);
  } else if (report.ShowProgress && progress) {
    progress(LoadLocalizedString(55208) + " " + std::to_string(n));
  }
  if (!alive.Alive()) throw EOwnerDestroyed();
  ProcessMessages();
  if (!alive.Alive()) throw EOwnerDestroyed();
}

bool PaperMatches(const TfrPrinter& printer, const TPreparedPage& p) {
  return printer.Matches(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape != 0);
}

void SelectPaperOf(TfrPrinter& printer, const TPreparedPage& p) {
  printer.SelectPaper(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape != 0, true);
}

}  // namespace

TPrintResult TfrReport::PrintPrepared(const std::string& pageList, int copies, bool collate,
                                      int parity, const std::function<void(const std::string&)>& progress) {
  TfrEngineState& st = EngineState();
  st.CurReport = this;
  st.MasterReport = this;
  StopRequested = false;
  PageNumbers = pageList;
  Copies = copies;
  Collate = collate;
  PageChoice = parity;
  // Pointing at objects while printing would rebuild pages being printed.
  auto mouseOver = std::move(OnMouseOverObject);
  OnMouseOverObject = nullptr;
  struct Restore {
    TfrReport& report;
    const LivenessGuard alive;
    std::function<void(TfrView*, int&)>& handler;
    ~Restore() {
      if (alive.Alive()) report.OnMouseOverObject = std::move(handler);
    }
  } restore{*this, Guard(), mouseOver};
  return PrintPages(PageNumbers, Copies, Collate, PageChoice, progress);
}

TPrintResult TfrReport::PrintPages(const std::string& pageList, int copies, bool collate,
                                   int parity, const std::function<void(const std::string&)>& progress) {
  const LivenessGuard alive = Guard();
  TfrPrinter& printer = SharedPrinter();
  TfrEMFPages& pages = *PreparedPages;
  // The printers may have changed since the pages were made.
  printer.AttachPlatformPrinter(printer.PlatformPrinter);
  if (printer.IsVirtual()) throw EPrintError(kVirtualCannotPrint);
  const std::vector<bool> selected = ParsePrintPageList(pageList, pages.Count());
  copies = std::max(1, copies);
  const std::vector<int> sequence = PrintSequence(selected, parity, copies, collate);
  // Nothing to print is said before any job is created.
  if (sequence.empty()) throw EPrintError(kNoPageSelected);

  SelectPaperOf(printer, pages.PageAt(sequence.front()));
  const std::string title = Title.empty() ? LoadLocalizedString(55209) : Title;
  if (OnPrintReport) OnPrintReport();
  if (!alive.Alive()) throw EOwnerDestroyed();
  const int jobCopies = collate ? 1 : copies;

  TPrintResult result;
  size_t at = 0;
  while (at < sequence.size()) {
    // A paper change ends the job: the print system takes a job's paper
    // from its options and would fit other pages onto it.
    if (at > 0) SelectPaperOf(printer, pages.PageAt(sequence[at]));
    if (printer.IsVirtual()) throw EPrintError(kVirtualCannotPrint);
    size_t end = at + 1;
    while (end < sequence.size() && PaperMatches(printer, pages.PageAt(sequence[end]))) ++end;
    const std::vector<int> job(sequence.begin() + static_cast<long>(at),
                               sequence.begin() + static_cast<long>(end));
    for (int index : job) printer.ComputeMetrics(pages.PageAt(index).Metrics);

    std::unique_ptr<TPrintDocument> document = printer.PlatformPrinter->StartDocument(title, jobCopies);
    bool stopped = false;
    int written = 0;
    try {
      written = WritePdf(pages, job, *document, [&](int done) {
        ReportPrintProgress(*this, alive, job[static_cast<size_t>(done - 1)] + 1, progress);
        stopped = StopRequested;
        return !stopped;
      });
    } catch (...) {
      document->Abort();
      throw;
    }
    if (stopped) {
      // Pages already sent are not printed: the job is cancelled whole.
      document->Abort();
      result.Cancelled = true;
      return result;
    }
    document->Finish();
    result.Jobs.push_back({document->JobId(), printer.CurrentName(), written});
    at = end;
  }
  return result;
}

}  // namespace lf
