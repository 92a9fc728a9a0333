// The preparation's view of the prepared pages: the output report's list,
// with the page limit of one run.
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

int32_t& PreparedPageLimit() {
  static int32_t limit = kMaxPreparedPages;
  return limit;
}

int OutputPageCount() { return Pages(OutputReport()).Count(); }

void AddOutputPage(TfrPage& page) {
  TfrEMFPages& pages = Pages(OutputReport());
  if (pages.Count() >= PreparedPageLimit())
    throw EPrepareError("The report has more than " + std::to_string(PreparedPageLimit()) +
                        " pages; preparation stopped");
  // The page before is mostly finished: its stream gives back the room its
  // growth left over, which for long reports is a good part of the memory.
  if (pages.Count() > 0) {
    if (TMemoryStream* last = pages.PageAt(pages.Count() - 1).Stream.get()) last->Bytes().shrink_to_fit();
    pages.PageFinished(pages.Count() - 1);
  }
  pages.Add(page);
}

TStream& OutputPageStream(int index) {
  TfrEMFPages& pages = Pages(OutputReport());
  if (index < 0 || index >= pages.Count())
    throw EPrepareError("No output page " + std::to_string(index + 1) + " to print on");
  TMemoryStream& s = pages.StreamAt(index);
  s.SetPosition(s.Size());
  return s;
}

void ClearOutputPages(TfrReport& report) { Pages(report).Clear(); }

}  // namespace lf
