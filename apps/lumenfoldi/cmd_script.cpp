// "lumenfoldi script": compiles a script and lists its commands, or runs it
// against a report and prints the script variables.
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

#include "command.h"
#include "engine/globals.h"
#include "engine/report.h"
#include "engine/report_interpreter.h"
#include "engine/text_lines.h"
#include "platform/code_page.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "usage: lumenfoldi script [--codepage CP] [--compile] [--template FILE.frf] [--data FILE] "
    "[--var NAME=EXPR]... [--timeout SECONDS] FILE|-";

// Longest run a --timeout may ask for, seconds (keeps the timer in range).
constexpr double kMaxTimeoutSeconds = 86400.0 * 24;

TfrLines ReadScript(const std::string& path) { return SplitLines(ReadInput(path)); }

// Compiles; prints one listing line per command and the errors on standard
// error. Exit 1 when there were errors.
int ListCommands(const TfrLines& source) {
  TInterpretator interpreter;
  TfrLines compiled, errors;
  interpreter.PrepareScript(source, compiled, errors);
  std::string out;
  for (size_t i = 0; i < compiled.size(); ++i)
    out += std::to_string(i) + "\t" + CommandToDisplay(compiled[i]) + "\n";
  WriteOutput("-", out);
  for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
  return errors.empty() ? 0 : 1;
}

double ParseTimeout(const std::string& text) {
  size_t used = 0;
  double seconds = -1;
  try {
    seconds = std::stod(text, &used);
  } catch (const std::exception&) {
  }
  if (used != text.size() || !(seconds > 0) || seconds > kMaxTimeoutSeconds)
    throw Exception("--timeout needs a number of seconds above 0 and at most " +
                    std::to_string(static_cast<long>(kMaxTimeoutSeconds)));
  return seconds;
}

// Every script variable, sorted by name: name, kind, text of the value.
void PrintScriptVariables() {
  const TfrVariables& vars = *Globals().ScriptVariables;
  std::string out;
  for (int i = 0; i < vars.Count(); ++i) {
    Variant v = vars.ValueAt(i);
    out += vars.NameAt(i) + "\t" + VariantKindName(v.Kind()) + "\t" + v.AsText() + "\n";
  }
  WriteOutput("-", out);
}

int RunScript(const Args& args) {
  Options opts(args, {"codepage", "template", "data", "var", "timeout"}, {"compile"});
  if (opts.Positional().size() != 1) throw Exception(kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  TfrLines source = ReadScript(opts.Positional()[0]);
  if (opts.Has("compile")) return ListCommands(source);

  double timeout = opts.Has("timeout") ? ParseTimeout(opts.Value("timeout")) : 0;
  TfrReport report;
  for (const std::string& assignment : opts.Values("var")) {
    size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) throw Exception("--var needs NAME=EXPR, got '" + assignment + "'");
    report.Dictionary->Variables.Assign(assignment.substr(0, eq), Variant(assignment.substr(eq + 1)));
  }
  if (opts.Has("template") || opts.Has("data"))
    throw Exception("--template and --data are not available yet");

  TfrEngineState& state = EngineState();
  state.CurReport = &report;
  state.MasterReport = &report;
  TInterpretator local;
  auto* shared = dynamic_cast<TInterpretator*>(Globals().Interpreter.get());
  TInterpretator& interpreter = shared ? *shared : local;

  TfrLines compiled, errors;
  interpreter.PrepareScript(source, compiled, errors);
  for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
  if (!errors.empty()) return 1;

  QTimer stopTimer;
  if (timeout > 0) {
    stopTimer.setSingleShot(true);
    QObject::connect(&stopTimer, &QTimer::timeout, [&report] { report.StopRequested = true; });
    stopTimer.start(static_cast<int>(std::min(timeout * 1000.0, 2147483647.0)));
  }
  try {
    interpreter.DoScript(compiled);
  } catch (...) {
    state.CurReport = state.MasterReport = nullptr;
    throw;
  }
  state.CurReport = state.MasterReport = nullptr;
  PrintScriptVariables();
  return report.StopRequested ? 2 : 0;
}

const Registration reg("script",
                       "script [--compile] [--template FILE.frf] [--data FILE] [--var NAME=EXPR]... "
                       "[--timeout SECONDS] FILE|-   compile a script and list its commands, or run it and "
                       "print the script variables",
                       RunScript);

}  // namespace
}  // namespace lf::cli
