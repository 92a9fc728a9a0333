// "lumenfoldi print": prepares a report (or reads a prepared one) and prints
// it on a printer of the print system.
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "command.h"
#include "control/lumenfoldi.h"
#include "engine/data/dataset_errors.h"
#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "engine/output/print_prepared.h"
#include "platform/code_page.h"
#include "platform/password_prompt.h"
#include "printer/printer.h"
#include "report_source.h"
#include "run_timeout.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "print [--codepage CP] [--password P] [--printer NAME] [--pages LIST] [--copies N] "
    "[--collate|--no-collate] [--parity all|odd|even] [--progress] [--timeout SECONDS] \"TEMPLATE,DATA\"|FILE.frp   "
    "print a report on a printer of the print system";

// The signal that asked the print to stop, 0 while none did.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int signal) { stopSignal = signal; }

// From here on SIGINT and SIGTERM stop the print after the page being sent
// instead of ending the program with a job half sent.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int ParityOf(const std::string& text) {
  if (text == "all") return kParityAll;
  if (text == "odd") return kParityOdd;
  if (text == "even") return kParityEven;
  throw Exception("bad parity '" + text + "': all, odd or even");
}

// The printer named on the command line, the report's own when it is one
// of the print system's, or the print system's default; raises when none
// of them can print.
int ChoosePrinter(const TfrPrinter& printer, const Options& opts, const std::string& reportPrinter,
                  int defaultIndex) {
  if (printer.VirtualIndex == 0) throw EPrintError("The print system has no printer");
  if (opts.Has("printer")) {
    const std::string name = Utf8ToHost(opts.Value("printer"));
    const int index = printer.IndexOfPrinter(name);
    if (index < 0) throw EPrintError("No printer named '" + opts.Value("printer") + "'");
    if (index == printer.VirtualIndex) throw EPrintError(kVirtualCannotPrint);
    return index;
  }
  const int own = printer.IndexOfPrinter(reportPrinter);
  if (own >= 0 && own != printer.VirtualIndex) return own;
  if (defaultIndex < 0 || defaultIndex >= printer.VirtualIndex) return 0;
  return defaultIndex;
}

int RunPrint(const Args& raw) {
  Options opts(raw, {"codepage", "password", "printer", "pages", "copies", "parity", "timeout"},
               {"progress", "collate", "no-collate"});
  if (opts.Positional().size() != 1) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  if (opts.Has("password")) DefaultPasswordPrompt().answer = Utf8ToHost(opts.Value("password"));
  // Bad numbers are refused before the report is made and before any job.
  const std::string pages = opts.Value("pages");
  ParsePrintPageList(pages, 1);
  const int parity = ParityOf(opts.Value("parity", "all"));
  const bool progress = opts.Has("progress") || isatty(fileno(stderr));
  RunChoices choices;
  choices.Progress = progress;
  if (opts.Has("timeout")) choices.TimeoutSeconds = ParseTimeout(opts.Value("timeout"));

  TfrPrinter& printer = SharedPrinter();
  const int defaultIndex = printer.CurrentIndex;
  if (printer.VirtualIndex == 0) throw EPrintError("The print system has no printer");
  if (opts.Has("printer")) ChoosePrinter(printer, opts, "", defaultIndex);

  HeadlessMessageService boxes;
  ScopedMessageService scoped(&boxes);
  Tlumenfoldi control;
  TfrReport& report = control.frReport1();
  const int copies = opts.Has("copies") ? TextToInteger(opts.Value("copies")) : report.DefaultCopies;
  if (int code = LoadReportPages(control, opts.Positional()[0], kUsage, boxes, choices)) return code;
  if (report.PreparedPages->Count() == 0) {
    std::fprintf(stderr, "The report has no pages\n");
    return 1;
  }
  bool collate = report.DefaultCollate;
  if (opts.Has("collate")) collate = true;
  if (opts.Has("no-collate")) collate = false;

  printer.SelectPrinter(ChoosePrinter(printer, opts, report.PrinterName, defaultIndex));
  CatchStopSignals();
  const std::string progressText = HostToUtf8(LoadLocalizedString(55208));
  report.OnProgress = [&report, progress, &progressText](int n) {
    if (progress) std::fprintf(stderr, "%s %d\n", progressText.c_str(), n);
    if (stopSignal) report.StopRequested = true;
  };
  if (stopSignal) return 128 + stopSignal;
  TPrintResult result = report.PrintPrepared(pages, copies, collate, parity);
  for (const TPrintedJob& job : result.Jobs)
    std::fprintf(stderr, "job %d on %s: %d pages\n", job.JobId, HostToUtf8(job.Printer).c_str(),
                 job.Pages);
  if (result.Cancelled) {
    std::fprintf(stderr, "The print was cancelled\n");
    return stopSignal ? 128 + stopSignal : 1;
  }
  return 0;
}

const Registration reg("print", kUsage, RunPrint);

}  // namespace
}  // namespace lf::cli
