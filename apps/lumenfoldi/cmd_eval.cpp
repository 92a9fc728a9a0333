// "lumenfoldi eval": evaluates one expression against a report (a template or
// an empty one) with extra dictionary variables and the tables of a data text.
#include <cstdio>
#include <memory>
#include <vector>

#include "command.h"
#include "data/data_tables.h"
#include "engine/globals.h"
#include "engine/parser.h"
#include "engine/report.h"
#include "engine/report_values.h"
#include "engine/template_format.h"
#include "platform/code_page.h"
#include "platform/stream.h"

namespace lf::cli {
namespace {

const char* kUsage =
    "eval [--codepage CP] [--template FILE.frf] [--data FILE] [--row N] [--var NAME=EXPR]... "
    "[--postfix] EXPR   evaluate an expression and print its kind and text";

// Moves every table's cursor to row n (from 1); past the end it stays at the
// last row.
void MoveToRow(const std::vector<TClientDataSet*>& tables, long long n) {
  for (TClientDataSet* t : tables) {
    t->First();
    for (long long i = 1; i < n && !t->Eof(); ++i) t->Next();
  }
}

long long ParseRow(const std::string& text) {
  char* end = nullptr;
  long long n = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1) throw Exception("--row needs a number from 1, not '" + text + "'");
  return n;
}

int Evaluate(const Options& opts) {
  std::string expression = Utf8ToHost(opts.Positional()[0]);
  TfrParser& parser = SharedParser();
  if (opts.Has("postfix")) {
    WriteOutput("-", HostToUtf8(PostfixToDisplay(parser.ToPostfix(expression))) + "\n");
    return 0;
  }
  TComponent owner;
  TfrReport* report = TComponent::Create<TfrReport>(&owner, "frReport1");
  if (opts.Has("template")) {
    std::string bytes = ReadInput(opts.Value("template"));
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    LoadFromStream(*report, stream);
  }
  for (const std::string& def : opts.Values("var")) {
    size_t eq = def.find('=');
    if (eq == std::string::npos || eq == 0) throw Exception("--var needs NAME=EXPR, not '" + def + "'");
    report->Dictionary->Variables.Assign(Utf8ToHost(def.substr(0, eq)),
                                         Variant(Utf8ToHost(def.substr(eq + 1))));
  }
  const long long row = opts.Has("row") ? ParseRow(opts.Value("row")) : 1;
  std::vector<TClientDataSet*> tables;
  if (opts.Has("data")) {
    std::string data = Utf8ToHost(ReadInput(opts.Value("data")));
    LoadDataTables(data, owner, tables);
    MoveToRow(tables, row);
  }
  TfrEngineState& state = EngineState();
  double now = NowDateTime();
  state.StartDate = static_cast<double>(static_cast<long long>(now));
  state.StartTime = now - state.StartDate;
  state.MasterReport = report;
  AttachReport(parser, *report);
  Variant value;
  try {
    value = parser.Evaluate(expression);
  } catch (...) {
    parser.ValueCallback = nullptr;
    parser.FunctionCallback = nullptr;
    state = TfrEngineState{};
    throw;
  }
  parser.ValueCallback = nullptr;
  parser.FunctionCallback = nullptr;
  state = TfrEngineState{};
  WriteOutput("-", std::string(VariantKindName(value.Kind())) + "\t" + HostToUtf8(value.AsText()) + "\n");
  return 0;
}

int RunEval(const Args& args) {
  Options opts(args, {"codepage", "template", "data", "row", "var"}, {"postfix"});
  if (opts.Positional().size() != 1) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  int rc = 0;
  try {
    rc = Evaluate(opts);
  } catch (...) {
    DestroyGlobals();
    throw;
  }
  DestroyGlobals();
  return rc;
}

const Registration reg("eval", kUsage, RunEval);

}  // namespace
}  // namespace lf::cli
