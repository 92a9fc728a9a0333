// The report a page-writing subcommand (render, print) works on: prepared
// from "TEMPLATE,DATA" as the control does, or read from a prepared file.
#pragma once

#include <string>

#include "control/lumenfoldi.h"
#include "platform/message_box.h"

namespace lf::cli {

// Whether source names a prepared-report file rather than "TEMPLATE,DATA".
bool IsPreparedFile(const std::string& source);

// Fills control's report with the pages of source (UTF-8): reads the
// prepared file, or fetches the data and the template and prepares the
// report. Returns 0, or the exit code after the reason went to standard
// error (a box shown during loading, a cancelled report).
int LoadReportPages(Tlumenfoldi& control, const std::string& source, const std::string& usage,
                    const HeadlessMessageService& boxes);

// Progress texts of the engine go to standard error, one line per change.
void ShowProgressOnStderr();

}  // namespace lf::cli
