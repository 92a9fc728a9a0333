// The preparation's view of the prepared pages: the output report's list,
// with the page and byte budgets of one run.
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"

namespace lf {
namespace {

TfrEMFPages& Pages(TfrReport& report) {
  if (!report.PreparedPages) report.PreparedPages = NewEMFPages(&report);
  return *report.PreparedPages;
}

}  // namespace

int OutputPageCount() { return Pages(OutputReport()).Count(); }

void TfrRunContext::AddOutputPage(TfrPage& page) {
  TfrEMFPages& pages = Pages(OutputReport());
  if (pages.Count() >= Options.Budgets.Pages)
    throw EPrepareError("The report has more than " + std::to_string(Options.Budgets.Pages) +
                        " pages; preparation stopped");
  // The page before is mostly finished: its stream gives back the room its
  // growth left over, which for long reports is a good part of the memory.
  if (pages.Count() > 0) {
    if (TMemoryStream* last = pages.PageAt(pages.Count() - 1).Stream.get()) last->Bytes().shrink_to_fit();
    pages.PageFinished(pages.Count() - 1);
  }
  pages.Add(page);
  if (TMemoryStream* made = pages.PageAt(pages.Count() - 1).Stream.get()) PreparedBytes += made->Size();
}

void TfrRunContext::PrintOnOutputPage(TfrView& view, int index) {
  TfrEMFPages& pages = Pages(OutputReport());
  if (index < 0 || index >= pages.Count())
    throw EPrepareError("No output page " + std::to_string(index + 1) + " to print on");
  TMemoryStream& stream = pages.StreamAt(index);
  const int64_t before = stream.Size();
  stream.SetPosition(before);
  view.Print(stream);
  PreparedBytes += stream.Size() - before;
  if (PreparedBytes > Options.Budgets.PreparedBytes)
    throw EPrepareError("The prepared pages take more than " + std::to_string(Options.Budgets.PreparedBytes) +
                        " bytes; preparation stopped");
}

void TfrRunContext::ClearOutputPages(TfrReport& report) {
  Pages(report).Clear();
  PreparedBytes = 0;
}

}  // namespace lf
