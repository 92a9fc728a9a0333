// Switching printers on behalf of a report: selection by name and a checked
// change that restores the previous printer when the new one fails.
#pragma once

#include <functional>
#include <string>

#include "printer/printer.h"

namespace lf {

// Message shown when ChangePrinter cannot use the new printer.
inline constexpr const char* kInvalidPrinterMessage = "Printer selected is not valid";
inline constexpr const char* kErrorCaption = "Error";

// Unless useDefaultPrinter, selects the printer called name when printer
// knows it (ASCII case ignored). rememberedName takes name in any case.
void SelectPrinterByName(TfrPrinter& printer, const std::string& name, bool useDefaultPrinter,
                         std::string& rememberedName);

// Selects printer newIndex, sets printerName to its name, forces the next
// paper selection and calls reapplyPapers (every template page selects its
// own paper again). On any error: shows "Printer selected is not valid",
// selects oldIndex again, sets printerName and calls reapplyPapers; returns
// false.
bool ChangePrinter(TfrPrinter& printer, int oldIndex, int newIndex, std::string& printerName,
                   const std::function<void()>& reapplyPapers);

}  // namespace lf
