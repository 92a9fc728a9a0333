// "lumenfoldi papers": selects every paper of a printer in turn and prints
// its size and measurements, one tab-separated line per paper.
#include <string>
#include <vector>

#include "command.h"
#include "platform/code_page.h"
#include "printer/printer.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage = "usage: lumenfoldi papers [--printer NAME] [--landscape]";

int RunPapers(const Args& args) {
  Options opts(args, {"printer"}, {"landscape"});
  if (!opts.Positional().empty()) throw Exception(kUsage);
  TfrPrinter& printer = SharedPrinter();
  int index = printer.VirtualIndex;
  if (opts.Has("printer")) {
    std::string name = Utf8ToHost(opts.Value("printer"));
    index = printer.IndexOfPrinter(name);
    if (index < 0) throw Exception("Unknown printer '" + opts.Value("printer") + "'");
  }
  printer.SelectPrinter(index);
  if (printer.CurrentIndex != index)
    throw Exception("Printer '" + opts.Value("printer") + "' cannot be used");
  bool landscape = opts.Has("landscape");

  // The list changes when a paper is selected on a real printer, so it is
  // copied first.
  std::vector<int16_t> codes(printer.PaperCodes.begin(),
                             printer.PaperCodes.begin() + printer.PaperCount);
  std::vector<std::string> names = printer.PaperNameList;
  std::string out;
  for (size_t i = 0; i < codes.size(); ++i) {
    int32_t code = codes[i];
    int32_t width = 0, height = 0;
    if (printer.IsVirtual() && FindPaperRow(code) >= 0) {
      width = PaperTable()[FindPaperRow(code)].Width;
      height = PaperTable()[FindPaperRow(code)].Height;
    }
    printer.SelectPaper(code, width, height, kAnySource, landscape, true);
    TPrinterMetrics m = printer.Metrics();
    std::string name = i < names.size() ? HostToUtf8(names[i]) : std::string();
    for (auto v : {std::to_string(code), name, std::to_string(printer.WidthDmm),
                   std::to_string(printer.HeightDmm), std::to_string(m.SheetWidth),
                   std::to_string(m.SheetHeight), std::to_string(m.OffsetX),
                   std::to_string(m.OffsetY), std::to_string(m.PrintWidth),
                   std::to_string(m.PrintHeight)}) {
      out += v;
      out += '\t';
    }
    out.back() = '\n';
  }
  WriteOutput("-", out);
  return 0;
}

const Registration reg("papers",
                       "papers [--printer NAME] [--landscape]   size and measurements of every paper of a printer (default: the virtual printer)",
                       RunPapers);

}  // namespace
}  // namespace lf::cli
