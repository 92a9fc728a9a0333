// The report the computing subcommands work against.
#include "command_report.h"

#include <string>

#include "data/data_tables.h"
#include "engine/run/globals.h"
#include "engine/expr/parser.h"
#include "engine/functions/report_values.h"
#include "engine/template/template_format.h"
#include "platform/code_page.h"
#include "platform/stream.h"

namespace lf::cli {

CommandReport::CommandReport(const Options& opts) {
  report_ = TComponent::Create<TfrReport>(&owner_, "frReport1");
  if (opts.Has("template")) {
    TMemoryStream stream(ReadInput(opts.Value("template")));
    TemplateLoadResult loaded = LoadFromStream(*report_, stream);
    if (!loaded.Loaded())
      throw Exception("template '" + opts.Value("template") + "' did not load: " + HostToUtf8(loaded.cause));
  }
  for (const std::string& def : opts.Values("var")) {
    size_t eq = def.find('=');
    if (eq == std::string::npos || eq == 0) throw Exception("--var needs NAME=EXPR, not '" + def + "'");
    report_->Dictionary->Variables.Assign(Utf8ToHost(def.substr(0, eq)),
                                          Variant(Utf8ToHost(def.substr(eq + 1))));
  }
  if (opts.Has("data")) {
    LoadDataTables(Utf8ToHost(ReadInput(opts.Value("data"))), owner_, tables_);
    for (TClientDataSet* t : tables_) t->First();
  }
  TfrEngineState& state = EngineState();
  double now = NowDateTime();
  state.StartDate = static_cast<double>(static_cast<long long>(now));
  state.StartTime = now - state.StartDate;
  state.MasterReport = report_;
  AttachReport(SharedParser(), *report_);
}

CommandReport::~CommandReport() {
  TfrParser& parser = SharedParser();
  parser.ValueCallback = nullptr;
  parser.FunctionCallback = nullptr;
  EngineState() = TfrEngineState{};
}

int RunWithGlobals(const std::function<int()>& body) {
  int rc = 0;
  try {
    rc = body();
  } catch (...) {
    DestroyGlobals();
    throw;
  }
  DestroyGlobals();
  return rc;
}

}  // namespace lf::cli
