// "lumenfoldi eval": evaluates one expression against a report (a template or
// an empty one) with extra dictionary variables and the tables of a data text.
#include <cstdio>
#include <memory>
#include <vector>

#include "command.h"
#include "command_report.h"
#include "data/data_tables.h"
#include "engine/run/globals.h"
#include "engine/expr/parser.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "engine/template/template_format.h"
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
  CommandReport report(opts);
  if (opts.Has("row")) MoveToRow(report.Tables(), ParseRow(opts.Value("row")));
  Variant value = parser.Evaluate(expression);
  WriteOutput("-", std::string(VariantKindName(value.Kind())) + "\t" + HostToUtf8(value.AsText()) + "\n");
  return 0;
}

int RunEval(const Args& args) {
  Options opts(args, {"codepage", "template", "data", "row", "var"}, {"postfix"});
  if (opts.Positional().size() != 1) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  return RunWithGlobals([&] { return Evaluate(opts); });
}

const Registration reg("eval", kUsage, RunEval);

}  // namespace
}  // namespace lf::cli
