// "lumenfoldi fetch": one GET with the control's HTTP settings; the body goes
// to standard output or a file byte for byte.
#include <cstdio>
#include <memory>

#include "command.h"
#include "platform/output_file.h"
#include "net/http_cli.h"
#include "platform/stream.h"

namespace lf::cli {
namespace {

int RunFetch(const Args& args) {
  Options opts(args, {"o"});
  if (opts.Positional().size() != 1) throw Exception("usage: lumenfoldi fetch [-o FILE] URL");
  std::string out = opts.Value("o", "-");
  THttpCli http;
  http.SetName("HttpCli1");
  http.SetURL(opts.Positional()[0]);
  // A file receives the body as it arrives and replaces FILE only once the
  // request has succeeded; standard output gets the body at the end.
  std::unique_ptr<TStream> stream;
  if (out == "-") stream = std::make_unique<TMemoryStream>();
  else stream = std::make_unique<OutputFile>(out);
  http.SetReceiveStream(stream.get());
  try {
    http.Get();
  } catch (const EHttpException& e) {
    http.SetReceiveStream(nullptr);
    std::fprintf(stderr, "EHttpException: %s (status %d)\n", e.Message().c_str(), e.ErrorCode());
    return 1;
  }
  http.SetReceiveStream(nullptr);
  if (out == "-") WriteStdout(static_cast<TMemoryStream&>(*stream).Bytes());
  else static_cast<OutputFile&>(*stream).Commit();
  std::fprintf(stderr, "HTTP %d %s\n", http.ResponseStatus(), http.ResponseReason().c_str());
  return 0;
}

const Registration reg("fetch", "fetch [-o FILE] URL   download URL with the control's HTTP client", RunFetch);

}  // namespace
}  // namespace lf::cli
