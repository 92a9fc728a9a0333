// The report's answers to the expression language: the value of a name (the
// report's value chain) and the result of a function (libraries, report
// procedures, OnUserFunction), and the calculation error message.
#pragma once

#include <string>

#include "engine/expr/variant.h"

namespace lf {

class TfrBand;
class TfrParser;
class TfrReport;
class TfrView;

// The report's value chain for a name: OnGetValue, the dictionary, VALUE,
// system variables and report information, CALCWIDTH, script variables,
// engine names, object properties and constants, and finally the name
// evaluated as an expression under the re-entry guard. Throws EParserError
// "Undefined symbol "NAME"" when nothing resolves it (outside the aggregate
// registration pass, where the value is left Empty).
void ReportGetValue(TfrReport& report, const std::string& name, Variant& value);

// The report's function callback: result "0", then the libraries in list
// order, then the report procedures, then OnUserFunction.
void ReportDoFunction(TfrReport& report, const std::string& name, const Variant& p1,
                      const Variant& p2, const Variant& p3, Variant& result);

// Points the parser's callbacks at report (done when a report starts
// preparing or building) and makes it the current report. The report must
// outlive the binding.
void AttachReport(TfrParser& parser, TfrReport& report);

// "An error occured during calculating", the current object's text, the
// report's and the object's names and the error's own message, lines
// separated by carriage returns.
std::string CalculationErrorMessage(const TfrReport& report, const TfrView* current,
                                    const std::string& error);

}  // namespace lf
