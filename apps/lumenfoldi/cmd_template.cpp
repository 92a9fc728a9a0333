// "lumenfoldi template": prints a template in its text form, builds a
// template from the text form, and loads and saves a template again.
#include <cstdio>
#include <memory>

#include "command.h"
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "engine/template/template_text.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"

namespace lf::cli {
namespace {

const char* const kUsage =
    "template dump [--codepage CP] [--password P] FILE.frf | "
    "build [--codepage CP] [--keep-modified] FILE.json -o FILE.frf | "
    "resave [--codepage CP] [--password P] [--keep-modified] FILE.frf -o OUT.frf   "
    "print, build or rewrite report templates";

// Loads a template file the way a user opens one (a file stream, so a
// protected template asks for its password). Returns false when the load
// failed or showed a box; the cause of a failed load goes to standard error
// after the box.
bool LoadTemplateFile(TfrReport& report, const std::string& path) {
  HeadlessMessageService boxes;
  ScopedMessageService scoped(&boxes);
  TFileStream file(path, FileMode::OpenRead);
  TemplateLoadResult result = LoadFromStream(report, file);
  if (!result.Loaded()) std::fprintf(stderr, "%s\n", HostToUtf8(result.cause).c_str());
  return result.Loaded() && boxes.shown == 0;
}

void SaveTemplateFile(TfrReport& report, const std::string& path, bool keepModified) {
  TMemoryStream out;
  SaveToStream(report, out, keepModified);
  WriteOutput(path, out.Bytes());
}

int RunTemplate(const Args& raw) {
  Args args;
  for (const std::string& a : raw) args.push_back(a == "-o" ? "--output" : a);
  Options opts(args, {"codepage", "password", "output"}, {"keep-modified"});
  const auto& pos = opts.Positional();
  if (pos.size() != 2) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  if (opts.Has("password")) DefaultPasswordPrompt().answer = Utf8ToHost(opts.Value("password"));
  const std::string& action = pos[0];
  const std::string& input = pos[1];
  const bool keep = opts.Has("keep-modified");
  auto report = std::make_unique<TfrReport>();

  if (action == "dump") {
    bool clean = LoadTemplateFile(*report, input);
    WriteOutput(opts.Value("output", "-"), TemplateToText(*report));
    return clean ? 0 : 1;
  }
  if (!opts.Has("output")) throw Exception("template " + action + ": -o OUTPUT is required");
  if (action == "build") {
    TemplateFromText(*report, ReadInput(input));
    SaveTemplateFile(*report, opts.Value("output"), keep);
    return 0;
  }
  if (action == "resave") {
    // A template that did not load cleanly is not written back: saving it
    // would replace the file's content by the empty page of a failed load.
    if (!LoadTemplateFile(*report, input))
      throw Exception("template resave: '" + input + "' did not load; nothing written");
    SaveTemplateFile(*report, opts.Value("output"), keep);
    return 0;
  }
  throw Exception("template: unknown action '" + action + "' (dump, build or resave)");
}

const Registration reg("template", kUsage, RunTemplate);

}  // namespace
}  // namespace lf::cli
