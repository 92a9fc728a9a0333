// The report the computing subcommands (eval, script) work against: a
// template or an empty report, extra dictionary variables and the tables of
// a data text, attached to the shared parser for as long as it lives.
#pragma once

#include <functional>
#include <vector>

#include "command.h"
#include "data/client_dataset.h"
#include "engine/model/report.h"
#include "platform/component.h"

namespace lf::cli {

class CommandReport {
 public:
  // Reads --template, --var NAME=EXPR (repeatable) and --data from opts;
  // table cursors stand on the first row. Raises lf::Exception on bad input.
  explicit CommandReport(const Options& opts);
  // Detaches the report from the shared parser and clears the run state.
  ~CommandReport();
  CommandReport(const CommandReport&) = delete;
  CommandReport& operator=(const CommandReport&) = delete;

  TfrReport& Report() { return *report_; }
  const std::vector<TClientDataSet*>& Tables() const { return tables_; }

 private:
  TComponent owner_;                 // owns the report and the tables
  TfrReport* report_ = nullptr;
  std::vector<TClientDataSet*> tables_;
};

// Runs body and destroys the engine globals afterwards, also when it raises.
int RunWithGlobals(const std::function<int()>& body);

}  // namespace lf::cli
