// "lumenfoldi codepage": converts text between UTF-8 and a host code page.
#include <cstdio>

#include "command.h"
#include "platform/code_page.h"

namespace lf::cli {
namespace {

int RunCodePage(const Args& args) {
  Options opts(args, {"codepage"}, {"to-host", "from-host"});
  if (opts.Positional().size() != 1) throw Exception("usage: lumenfoldi codepage [--codepage CP] --to-host|--from-host FILE|-");
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  std::string in = ReadInput(opts.Positional()[0]);
  WriteOutput("-", opts.Has("from-host") ? HostToUtf8(in) : Utf8ToHost(in));
  return 0;
}

const Registration reg("codepage", "codepage [--codepage CP] --to-host|--from-host FILE|-   convert text between UTF-8 and the host code page",
                       RunCodePage);

}  // namespace
}  // namespace lf::cli
