// "lumenfoldi printers": lists the printers the engine can lay pages out
// against, the selected one marked with "*".
#include <string>

#include "command.h"
#include "platform/code_page.h"
#include "printer/printer.h"

namespace lf::cli {
namespace {

int RunPrinters(const Args& args) {
  Options opts(args, {});
  if (!opts.Positional().empty()) throw Exception("usage: lumenfoldi printers");
  TfrPrinter& printer = SharedPrinter();
  std::string out;
  for (size_t i = 0; i < printer.PrinterNames.size(); ++i) {
    out += static_cast<int>(i) == printer.CurrentIndex ? "* " : "  ";
    out += HostToUtf8(printer.PrinterNames[i]);
    out += '\n';
  }
  WriteOutput("-", out);
  return 0;
}

const Registration reg("printers", "printers   list the printers, the selected one marked with *",
                       RunPrinters);

}  // namespace
}  // namespace lf::cli
