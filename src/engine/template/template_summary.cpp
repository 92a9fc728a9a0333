// Template summary for the command line.
#include "engine/template/template_summary.h"

#include <array>

#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "engine/model/view_factory.h"
#include "platform/code_page.h"
#include "printer/printer.h"

namespace lf {

std::string TemplateSummary(const TfrReport& report) {
  // Counted by type code 0..4; everything else is "other".
  std::array<int, 6> byType{};
  size_t objects = 0;
  std::string pages;
  const TfrPrinter& printer = SharedPrinter();
  for (int i = 0; i < report.Pages->Count(); ++i) {
    const TfrPage& page = *report.Pages->PageAt(i);
    for (const auto& view : page.Objects) ++byType[view->TypeCode <= gtLine ? view->TypeCode : 5];
    objects += page.Objects.size();
    pages += "page " + std::to_string(i + 1) + " \"" + HostToUtf8(page.Name) + "\": ";
    if (page.PageType == ptDialog) {
      pages += "dialog";
    } else {
      pages += "paper " + std::to_string(page.PaperCode);
      int paper = printer.IndexOfPaper(page.PaperCode);
      if (paper >= 0 && static_cast<size_t>(paper) < printer.PaperNameList.size())
        pages += " " + HostToUtf8(printer.PaperNameList[static_cast<size_t>(paper)]);
      pages += ", " + std::to_string(page.WidthDmm) + " x " + std::to_string(page.HeightDmm) +
               " (0.1 mm), " + (page.Landscape ? "landscape" : "portrait");
    }
    pages += ", " + std::to_string(page.Objects.size()) + " objects\n";
  }
  static const char* const names[] = {"text", "picture", "band", "sub-report", "line", "other"};
  std::string kinds;
  for (int k : {2, 0, 1, 3, 4, 5}) {
    if (!kinds.empty()) kinds += ", ";
    kinds += std::string(names[k]) + " " + std::to_string(byType[static_cast<size_t>(k)]);
  }
  return "template: " + std::to_string(report.Pages->Count()) + " pages, " + std::to_string(objects) +
         " objects (" + kinds + ")\n" + pages;
}

}  // namespace lf
