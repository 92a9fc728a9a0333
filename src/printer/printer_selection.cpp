// Printer selection by name and checked printer changes for a report.
#include "printer/printer_selection.h"

#include "platform/message_box.h"

namespace lf {

void SelectPrinterByName(TfrPrinter& printer, const std::string& name, bool useDefaultPrinter,
                         std::string& rememberedName) {
  if (!useDefaultPrinter) {
    int index = printer.IndexOfPrinter(name);
    if (index >= 0) printer.SelectPrinter(index);
  }
  rememberedName = name;
}

bool ChangePrinter(TfrPrinter& printer, int oldIndex, int newIndex, std::string& printerName,
                   const std::function<void()>& reapplyPapers) {
  try {
    printer.SelectPrinter(newIndex);
    printerName = printer.CurrentName();
    printer.PaperCode = kNoPaper;
    if (reapplyPapers) reapplyPapers();
    return true;
  } catch (...) {
    ShowMessageBox(kErrorCaption, kInvalidPrinterMessage, mbOK | mbIconError);
    try {
      printer.SelectPrinter(oldIndex);
    } catch (...) {
      printer.SelectPrinter(printer.VirtualIndex);  // the old index is no longer valid either
    }
    printerName = printer.CurrentName();
    if (reapplyPapers) reapplyPapers();
    return false;
  }
}

}  // namespace lf
