// The report a page-writing subcommand (render, print) works on: prepared
// from "TEMPLATE,DATA" as the control does, or read from a prepared file.
#pragma once

#include <string>

#include "control/lumenfoldi.h"
#include "platform/message_box.h"

namespace lf::cli {

// Whether source names a prepared-report file rather than "TEMPLATE,DATA".
bool IsPreparedFile(const std::string& source);

// How a page-writing subcommand prepares: with progress, the engine's
// progress texts go to standard error, one line per change; a timeout above
// 0 stops the preparation after that many seconds.
struct RunChoices {
  bool Progress = false;
  double TimeoutSeconds = 0;
};

// Fills control's report with the pages of source (UTF-8): reads the
// prepared file, or fetches the data and the template and prepares the
// report. Returns 0, or the exit code after the reason went to standard
// error (a box shown during loading, a cancelled report: 1; the timeout: 2).
int LoadReportPages(Tlumenfoldi& control, const std::string& source, const std::string& usage,
                    const HeadlessMessageService& boxes, const RunChoices& choices);

}  // namespace lf::cli
