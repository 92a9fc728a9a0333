// "lumenfoldi script": compiles a script and lists its commands, or runs it
// against a report and prints the script variables.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "command.h"
#include "command_report.h"
#include "data/data_tables.h"
#include "engine/run/globals.h"
#include "engine/model/report.h"
#include "engine/script/report_interpreter.h"
#include "engine/functions/report_values.h"
#include "engine/template/template_format.h"
#include "engine/model/text_lines.h"
#include "platform/code_page.h"
#include "platform/stream.h"
#include "run_timeout.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "usage: lumenfoldi script [--codepage CP] [--compile] [--template FILE.frf] [--data FILE] "
    "[--var NAME=EXPR]... [--timeout SECONDS] FILE|-";

// Compiles; prints one listing line per command and the errors on standard
// error. Exit 1 when there were errors.
int ListCommands(const TfrLines& source) {
  TInterpretator interpreter;
  TfrLines compiled, errors;
  interpreter.PrepareScript(source, compiled, errors);
  std::string out;
  for (size_t i = 0; i < compiled.size(); ++i)
    out += std::to_string(i) + "\t" + HostToUtf8(CommandToDisplay(compiled[i])) + "\n";
  WriteOutput("-", out);
  for (const std::string& e : errors) std::fprintf(stderr, "%s\n", HostToUtf8(e).c_str());
  return errors.empty() ? 0 : 1;
}

// Every script variable, sorted by name: name, kind, text of the value.
void PrintScriptVariables() {
  const TfrVariables& vars = *Globals().ScriptVariables;
  std::string out;
  for (int i = 0; i < vars.Count(); ++i) {
    Variant v = vars.ValueAt(i);
    out += HostToUtf8(vars.NameAt(i)) + "\t" + VariantKindName(v.Kind()) + "\t" + HostToUtf8(v.AsText()) + "\n";
  }
  WriteOutput("-", out);
}

// Runs the script against a report made like "lumenfoldi eval"'s: the given
// template or an empty one, the extra dictionary variables and the tables of
// a data text (cursors on the first row).
int RunAgainstReport(const Options& opts, const TfrLines& source) {
  double timeout = opts.Has("timeout") ? ParseTimeout(opts.Value("timeout")) : 0;
  CommandReport command(opts);
  TfrReport* report = &command.Report();

  // The engine's shared interpreter when it is the report interpreter.
  TInterpretator local;
  auto* shared = dynamic_cast<TInterpretator*>(Globals().Interpreter.get());
  TInterpretator& interpreter = shared ? *shared : local;
  TfrLines compiled, errors;
  interpreter.PrepareScript(source, compiled, errors);
  for (const std::string& e : errors) std::fprintf(stderr, "%s\n", HostToUtf8(e).c_str());
  if (!errors.empty()) return 1;

  RunTimeout stop(*report, timeout);
  interpreter.DoScript(compiled);
  PrintScriptVariables();
  return report->StopRequested ? 2 : 0;
}

int RunScript(const Args& args) {
  Options opts(args, {"codepage", "template", "data", "var", "timeout"}, {"compile"});
  if (opts.Positional().size() != 1) throw Exception(kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  TfrLines source = SplitLines(Utf8ToHost(ReadInput(opts.Positional()[0])));
  if (opts.Has("compile")) return ListCommands(source);
  return RunWithGlobals([&] { return RunAgainstReport(opts, source); });
}

const Registration reg("script",
                       "script [--compile] [--template FILE.frf] [--data FILE] [--var NAME=EXPR]... "
                       "[--timeout SECONDS] FILE|-   compile a script and list its commands, or run it and "
                       "print the script variables",
                       RunScript);

}  // namespace
}  // namespace lf::cli
