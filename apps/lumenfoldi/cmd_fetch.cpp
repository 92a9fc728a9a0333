// "lumenfoldi fetch": one GET with the control's HTTP settings; the body goes
// to standard output or a file byte for byte.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "command.h"
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
  // A file receives the body as it arrives; standard output gets it at the end.
  std::unique_ptr<TStream> stream;
  if (out == "-") stream = std::make_unique<TMemoryStream>();
  else stream = std::make_unique<TFileStream>(out, FileMode::Create);
  http.SetReceiveStream(stream.get());
  try {
    http.Get();
  } catch (const EHttpException& e) {
    http.SetReceiveStream(nullptr);
    stream.reset();
    if (out != "-") std::filesystem::remove(out);
    std::fprintf(stderr, "EHttpException: %s (status %d)\n", e.Message().c_str(), e.ErrorCode());
    return 1;
  }
  http.SetReceiveStream(nullptr);
  if (out == "-") WriteOutput("-", static_cast<TMemoryStream&>(*stream).Bytes());
  std::fprintf(stderr, "HTTP %d %s\n", http.ResponseStatus(), http.ResponseReason().c_str());
  return 0;
}

const Registration reg("fetch", "fetch [-o FILE] URL   download URL with the control's HTTP client", RunFetch);

}  // namespace
}  // namespace lf::cli
