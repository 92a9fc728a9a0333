// "lumenfoldi load": runs the control's setParams headless and prints the
// record tables it built, as "lumenfoldi tables" does.
#include <cstdio>

#include "command.h"
#include "control/lumenfoldi.h"
#include "control/tables_json.h"
#include "engine/template/template_format.h"
#include "engine/template/template_summary.h"
#include "platform/code_page.h"

namespace lf::cli {
namespace {

int RunLoad(const Args& args) {
  Options opts(args, {"codepage"});
  if (opts.Positional().size() != 1) throw Exception("usage: lumenfoldi load [--codepage CP] \"TEMPLATE,DATA\"");
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  Tlumenfoldi control;
  try {
    // Message boxes of the call appear on standard error through the headless service.
    control.setParams(Utf8ToUtf16(opts.Positional()[0]));
  } catch (const Exception& e) {
    std::string message = e.Message();
    WriteOutput("-", TablesToJson(control.tables(), &message));
    std::string line = "lumenfoldi load: " + HostToUtf8(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
  }
  // With what the template download loaded (nothing when no template came).
  std::string summary;
  if (control.frReport1().Pages->Count() > 0) summary = TemplateSummary(control.frReport1());
  WriteOutput("-", TablesToJson(control.tables(), nullptr, summary.empty() ? nullptr : &summary));
  const TemplateLoadResult& loaded = control.TemplateLoad();
  if (!loaded.Loaded()) {
    std::string line = HostToUtf8(loaded.cause) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  return 0;
}

const Registration reg("load", "load [--codepage CP] \"TEMPLATE,DATA\"   run setParams headless and print its tables as JSON",
                       RunLoad);

}  // namespace
}  // namespace lf::cli
