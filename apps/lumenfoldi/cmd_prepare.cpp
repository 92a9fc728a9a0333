// "lumenfoldi prepare": prepares a report into a service's cache folder and
// prints its description; the service runs it as its worker.
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "command.h"
#include "control/fetch_address.h"
#include "control/lumenfoldi.h"
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "net/http_cli.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/stream.h"
#include "service/address_policy.h"
#include "service/report_cache.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "prepare --cache DIR [--codepage CP] [--allow-hosts LIST] [--title TEXT] [--id ID] \"TEMPLATE,DATA\"   "
    "prepare a report into a service's cache and print its description";

// How often a stop asked by SIGTERM is looked for (milliseconds).
constexpr int kStopPollMs = 20;
// Exit code of a run stopped by SIGTERM.
constexpr int kStoppedExitCode = 3;

volatile std::sig_atomic_t g_stopAsked = 0;

void AskStop(int) { g_stopAsked = 1; }

// The boxes of the flow: written to standard error, and the first one kept
// as the message of the failure.
class KeepingMessageService : public HeadlessMessageService {
 public:
  int MessageBox(const MessageBoxRequest& request) override {
    if (first.empty()) first = HostToUtf8(request.text);
    return HeadlessMessageService::MessageBox(request);
  }
  std::string first;
};

int Answer(const nlohmann::json& answer, int code) {
  std::string line = answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return code;
}

int Failure(const std::string& message, int status = 422) {
  return Answer({{"error", message}, {"status", status}}, 1);
}

int Described(const std::string& description, bool prepared) {
  nlohmann::json d = nlohmann::json::parse(description);
  d["prepared"] = prepared;
  return Answer(d, 0);
}

int RunPrepare(const Args& raw) {
  Options opts(raw, {"cache", "codepage", "allow-hosts", "title", "id"});
  if (opts.Positional().size() != 1 || !opts.Has("cache")) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  ReportCache cache(opts.Value("cache"));
  const std::string params = opts.Positional()[0];
  const size_t comma = params.find(',');
  if (comma == std::string::npos) return Failure("The params '" + params + "' are not of the form TEMPLATE,DATA", 400);
  const std::string templateAddress = params.substr(0, comma), dataAddress = params.substr(comma + 1);
  const std::vector<std::string> hosts = ParseHostList(opts.Value("allow-hosts"));

  // SIGTERM stops the run the way the report's own stop does.
  std::signal(SIGTERM, AskStop);
  KeepingMessageService boxes;
  ScopedMessageService scoped(&boxes);
  Tlumenfoldi control;
  TfrReport& report = control.frReport1();
  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&report] {
    if (!g_stopAsked) return;
    if (!RunState().Preparing) std::_Exit(kStoppedExitCode);
    report.StopRequested = true;
  });
  stopWatch.start(kStopPollMs);
  // Relocations could lead anywhere: with a host list, none is followed.
  if (!hosts.empty()) control.HttpCli1().SetFollowRelocation(false);

  auto fetch = [&](const std::string& address, const char* failedText) -> std::optional<std::string> {
    std::optional<std::string> bytes = FetchAddress(control, Utf8ToHost(address));
    if (bytes && IsHttpAddress(address) && control.HttpCli1().ResponseStatus() >= 300) bytes.reset();
    if (!bytes) ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(failedText), mbOK);
    return bytes;
  };
  std::optional<std::string> data = fetch(dataAddress, kDataLoadFailedText);
  if (!data) return Failure(boxes.first);
  std::optional<std::string> templateBytes = fetch(templateAddress, kTemplateLoadFailedText);
  if (!templateBytes) return Failure(boxes.first);
  if (g_stopAsked) return kStoppedExitCode;

  const std::string id = ReportId(*templateBytes, *data);
  if (opts.Has("id") && opts.Value("id") != id) return Failure("The files changed while they were read");
  if (auto d = cache.Description(id)) return Described(*d, false);
  // Another process preparing the same report holds the lock; once it has
  // it, the report is there.
  ReportCache::Lock lock(cache, id);
  if (auto d = cache.Description(id)) return Described(*d, false);

  control.LoadDataText(*data);
  data.reset();
  {
    TMemoryStream stream(std::move(*templateBytes));
    report.LoadFromStream(stream);
  }
  if (boxes.shown > 0) return Failure(boxes.first);
  const bool done = PrepareReport(report);
  if (g_stopAsked) return kStoppedExitCode;
  if (boxes.shown > 0) return Failure(boxes.first);
  if (!done) return Failure("The report was cancelled");
  if (report.PreparedPages->Count() == 0) return Failure("The report has no pages");
  std::string title = opts.Value("title");
  if (title.empty()) title = HostToUtf8(report.Title);
  if (title.empty()) title = HostToUtf8(report.ReportName);
  if (title.empty()) title = std::filesystem::path(templateAddress.substr(0, templateAddress.find('?'))).stem().string();
  cache.Store(id, *report.PreparedPages, title);
  return Described(*cache.Description(id), true);
}

int RunPrepareGuarded(const Args& raw) {
  try {
    return RunPrepare(raw);
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
}

const Registration reg("prepare", kUsage, RunPrepareGuarded);

}  // namespace
}  // namespace lf::cli
