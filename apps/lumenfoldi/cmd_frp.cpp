// "lumenfoldi frp": prints a prepared-report file in its text form and
// writes a prepared-report file from that form.
#include <cstdio>
#include <memory>

#include "command.h"
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/output/prepared_report_file.h"
#include "engine/output/prepared_report_text.h"
#include "platform/stream.h"

namespace lf::cli {
namespace {

const char* const kUsage =
    "frp dump FILE.frp | build FILE.json -o FILE.frp   "
    "print or write prepared-report files";

int RunFrp(const Args& raw) {
  Args args;
  for (const std::string& a : raw) args.push_back(a == "-o" ? "--output" : a);
  Options opts(args, {"output"});
  const auto& pos = opts.Positional();
  if (pos.size() != 2) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  const std::string& action = pos[0];
  auto report = std::make_unique<TfrReport>();
  TfrEMFPages& pages = *report->PreparedPages;

  if (action == "dump") {
    TMemoryStream file(ReadInput(pos[1]));
    const TPreparedReportHeader header = ReadPreparedReport(file, pages);
    WriteOutput(opts.Value("output", "-"), PreparedReportToText(pages, header));
    return 0;
  }
  if (action == "build") {
    if (!opts.Has("output")) throw Exception("frp build: -o OUTPUT is required");
    const TPreparedReportHeader header = PreparedReportFromText(ReadInput(pos[1]), pages);
    TMemoryStream out;
    WritePreparedReport(out, pages, header);
    WriteOutput(opts.Value("output"), out.Bytes());
    return 0;
  }
  throw Exception("frp: unknown action '" + action + "' (dump or build)");
}

const Registration reg("frp", kUsage, RunFrp);

}  // namespace
}  // namespace lf::cli
