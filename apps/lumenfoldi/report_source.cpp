// Preparing the report of a page-writing subcommand from its data and
// template, or reading its prepared pages.
#include "report_source.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>

#include "control/fetch_address.h"
#include "engine/prepare/preparation.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/stream.h"
#include "run_timeout.h"

namespace lf::cli {

bool IsPreparedFile(const std::string& source) {
  if (source.find(',') != std::string::npos || source.size() < 4) return false;
  std::string ext = source.substr(source.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".frp";
}

int LoadReportPages(Tlumenfoldi& control, const std::string& source, const std::string& usage,
                    const HeadlessMessageService& boxes, const RunChoices& choices) {
  TfrReport& report = control.frReport1();
  if (IsPreparedFile(source)) {
    report.LoadPreparedReport(source);
    return 0;
  }
  const std::string hostSource = Utf8ToHost(source);
  size_t comma = hostSource.find(',');
  if (comma == std::string::npos) throw Exception("usage: lumenfoldi " + usage);
  const std::string templateAddress = hostSource.substr(0, comma);
  const std::string dataAddress = hostSource.substr(comma + 1);

  std::optional<std::string> data = FetchAddress(control, dataAddress);
  if (!data) {
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kDataLoadFailedText), mbOK);
    return 1;
  }
  control.LoadDataText(*data);
  // The tables hold copies of the values: the text goes before the pages come.
  data.reset();
  if (IsHttpAddress(templateAddress)) {
    std::optional<std::string> templateBytes = FetchAddress(control, templateAddress);
    if (!templateBytes) {
      ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kTemplateLoadFailedText), mbOK);
      return 1;
    }
    TMemoryStream stream(std::move(*templateBytes));
    report.LoadFromStream(stream);
  } else {
    // A file stream, so that a protected template asks for its password.
    std::unique_ptr<TFileStream> file;
    try {
      file = std::make_unique<TFileStream>(HostToUtf8(templateAddress), FileMode::OpenRead);
    } catch (const std::exception&) {
      ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kTemplateLoadFailedText), mbOK);
      return 1;
    }
    report.LoadFromStream(*file);
  }
  if (boxes.shown > 0) return 1;
  TfrRunOptions run;
  if (choices.Progress) {
    // The engine reports some counts twice (a page begun, then finished);
    // a line is written only when the text changes.
    run.Progress = [last = std::string()](const std::string& text) mutable {
      if (text == last) return;
      last = text;
      std::string line = HostToUtf8(text) + "\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
    };
  }
  RunTimeout stop(report, choices.TimeoutSeconds);
  bool done = PrepareReport(report, std::move(run));
  if (stop.Expired()) {
    // Written as given, with a point under any locale.
    char seconds[32];
    const char* end = std::to_chars(seconds, seconds + sizeof seconds, choices.TimeoutSeconds).ptr;
    std::fprintf(stderr, "The preparation took longer than %.*s seconds and was stopped; nothing was written\n",
                 static_cast<int>(end - seconds), seconds);
    return 2;
  }
  if (boxes.shown > 0) return 1;
  if (!done) {
    std::fprintf(stderr, "The report was cancelled\n");
    return 1;
  }
  return 0;
}

}  // namespace lf::cli
