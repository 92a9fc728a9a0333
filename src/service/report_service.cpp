// The report service over cpp-httplib: routes, the engine thread, the open
// reports and the cache of drawn pages, draining on SIGTERM.
#include "service/report_service.h"

#include <QImage>
#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <unordered_map>

#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "platform/exception.h"
#include "platform/output_file.h"
#include "platform/stream.h"
#include "service/page_output.h"
#include "service/preparation_pool.h"
#include "service/report_cache.h"
#include "service/service_metrics.h"
#include "service/web_assets.h"

namespace lf {
namespace {

using nlohmann::json;

// An error answer: the status and {"error": message}.
struct HttpError : Exception {
  HttpError(int s, const std::string& message) : Exception(message), status(s) {}
  int status;
};

std::string ErrorBody(const std::string& message) {
  return json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Runs tasks on the thread that calls Loop: the engine lives there.
class EngineThread {
 public:
  template <class F>
  auto Call(F&& f) -> decltype(f()) {
    using R = decltype(f());
    auto task = std::make_shared<std::packaged_task<R()>>(std::forward<F>(f));
    std::future<R> result = task->get_future();
    {
      std::lock_guard lock(mutex_);
      if (stopped_) throw HttpError(503, "The service is stopping");
      tasks_.push_back([task] { (*task)(); });
    }
    ready_.notify_one();
    return result.get();
  }
  void Loop() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return stopped_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    ready_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool stopped_ = false;
};

// Bytes by key, the least recently used dropped beyond a total size.
class ByteCache {
 public:
  explicit ByteCache(size_t limit) : limit_(limit) {}
  std::shared_ptr<const std::string> Get(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second);
    return it->second->second;
  }
  void Put(const std::string& key, std::shared_ptr<const std::string> value) {
    std::lock_guard lock(mutex_);
    if (value->size() > limit_ / 4 || index_.count(key)) return;
    bytes_ += value->size();
    order_.emplace_front(key, std::move(value));
    index_[key] = order_.begin();
    while (bytes_ > limit_ && !order_.empty()) {
      bytes_ -= order_.back().second->size();
      index_.erase(order_.back().first);
      order_.pop_back();
    }
  }

 private:
  using Entry = std::pair<std::string, std::shared_ptr<const std::string>>;
  std::mutex mutex_;
  size_t limit_, bytes_ = 0;
  std::list<Entry> order_;
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

// The prepared reports open for drawing; used on the engine thread only.
class OpenReports {
 public:
  explicit OpenReports(const ReportCache& cache) : cache_(cache) {}
  TfrEMFPages& Pages(const std::string& id) {
    auto it = open_.find(id);
    if (it == open_.end()) {
      auto pages = std::make_unique<TfrEMFPages>(nullptr);
      TFileStream file(cache_.FrpPath(id), FileMode::OpenRead);
      pages->ReadFromStream(&file);
      pageCount_ += pages->Count();
      it = open_.emplace(id, Entry{std::move(pages), {}, 0, 0}).first;
      Trim(id);
    }
    it->second.lastUse = ++clock_;
    return *it->second.pages;
  }
  // The text runs of a page, kept while the report is open.
  const std::vector<PageTextRun>& Runs(const std::string& id, int index) {
    TfrEMFPages& pages = Pages(id);
    Entry& e = open_.at(id);
    if (e.runs.size() != static_cast<size_t>(pages.Count())) e.runs.resize(static_cast<size_t>(pages.Count()));
    auto& slot = e.runs[static_cast<size_t>(index)];
    if (!slot) {
      // The texts of a long report are kept for a stretch of pages only.
      if (++e.runsKept > kMaxKeptTextPages) {
        for (auto& r : e.runs) r.reset();
        e.runsKept = 1;
      }
      slot = PageTextRuns(pages, index);
    }
    return *slot;
  }

 private:
  struct Entry {
    std::unique_ptr<TfrEMFPages> pages;
    std::vector<std::optional<std::vector<PageTextRun>>> runs;
    uint64_t lastUse;
    int runsKept = 0;
  };
  void Trim(const std::string& keep) {
    while (pageCount_ > kMaxOpenPages && open_.size() > 1) {
      auto oldest = open_.end();
      for (auto it = open_.begin(); it != open_.end(); ++it)
        if (it->first != keep && (oldest == open_.end() || it->second.lastUse < oldest->second.lastUse)) oldest = it;
      if (oldest == open_.end()) return;
      pageCount_ -= oldest->second.pages->Count();
      open_.erase(oldest);
    }
  }
  const ReportCache& cache_;
  std::map<std::string, Entry> open_;
  int pageCount_ = 0;
  uint64_t clock_ = 0;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HttpError(404, "cannot read '" + path + "'");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int ParsePositive(const std::string& text, const std::string& what) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 1)
    throw HttpError(400, "bad " + what + " '" + text + "'");
  return v;
}

// list = range { "," range } ; range = N [ "-" N ]   (pages from 1)
std::vector<int> ParsePageList(const std::string& text, int count) {
  std::vector<bool> chosen(static_cast<size_t>(count), false);
  size_t at = 0;
  for (;;) {
    size_t comma = text.find(',', at);
    std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    size_t dash = part.find('-');
    int from = ParsePositive(part.substr(0, dash), "page list");
    int to = dash == std::string::npos ? from : ParsePositive(part.substr(dash + 1), "page list");
    if (to < from) throw HttpError(400, "bad page list '" + text + "'");
    for (int p = from; p <= std::min(to, count); ++p) chosen[static_cast<size_t>(p - 1)] = true;
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  std::vector<int> pages;
  for (int i = 0; i < count; ++i)
    if (chosen[static_cast<size_t>(i)]) pages.push_back(i);
  if (pages.empty()) throw HttpError(400, "the page list '" + text + "' selects no page");
  return pages;
}

// A file name for downloads: the title's safe characters, or the id.
std::string DownloadName(const std::string& title, const std::string& id) {
  std::string name;
  for (char c : title)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ' ') name += c;
  return name.find_first_not_of(" .") == std::string::npos ? id : name;
}

class Service {
 public:
  explicit Service(const ServiceOptions& o)
      : options_(o),
        cache_(o.cacheDir),
        pool_(o.program, o.workers, o.queue, o.timeoutSeconds),
        pageCache_(kPageCacheBytes),
        reports_(cache_) {
    pool_.OnFinished = [this](const PreparationResult& r) {
      const char* outcome = r.status == 200 ? "done" : r.status == 503 ? "timeout" : r.status == 500 ? "crashed" : "failed";
      metrics_.CountPreparation(outcome, r.seconds);
    };
    Routes();
  }

  int Run() {
    // Signals are taken by one thread; every other thread, workers' parents
    // included, keeps them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int threads = options_.workers + options_.queue + kServingThreads;
    server_.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    // The library listens with a short backlog; a burst of new connections
    // beyond it would wait a second for the SYN to be sent again.
    int listening = -1;
    server_.set_socket_options([&listening](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
      listening = sock;
    });
    int port = options_.port;
    if (port == 0) {
      port = server_.bind_to_any_port(options_.host);
      if (port < 0) throw Exception("cannot listen on " + options_.host);
    } else if (!server_.bind_to_port(options_.host, port)) {
      throw Exception("cannot listen on " + options_.host + ":" + std::to_string(port));
    }
    if (listening >= 0) ::listen(listening, kListenBacklog);
    std::fprintf(stderr, "lumenfoldi serve: listening on http://%s:%d/\n", options_.host.c_str(), port);
    std::fflush(stderr);
    std::thread listener([this] {
      server_.listen_after_bind();
      engine_.Stop();
    });
    std::thread signalWaiter([this, stopSignals] {
      int sig = 0;
      sigwait(&stopSignals, &sig);
      Drain();
    });
    engine_.Loop();
    listener.join();
    // The listener also ends without a signal (a failed accept loop).
    if (!draining_) pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    std::fprintf(stderr, "lumenfoldi serve: stopped\n");
    return 0;
  }

 private:
  void Drain() {
    {
      std::lock_guard lock(activeMutex_);
      draining_ = true;
    }
    std::fprintf(stderr, "lumenfoldi serve: stopping after %d running requests\n", active_.load());
    std::unique_lock lock(activeMutex_);
    idle_.wait(lock, [&] { return active_ == 0; });
    server_.stop();
  }

  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  // Every route: refused while draining, counted while it runs, errors
  // turned into JSON answers.
  Handler Guard(Handler handler) {
    return [this, handler](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Access-Control-Allow-Origin", "*");
      res.set_header("Access-Control-Expose-Headers", "ETag, Retry-After");
      res.set_header("X-Content-Type-Options", "nosniff");
      {
        std::lock_guard lock(activeMutex_);
        if (draining_) {
          res.set_header("Connection", "close");
          Fail(res, 503, "The service is stopping");
          return;
        }
        ++active_;
      }
      try {
        handler(req, res);
      } catch (const HttpError& e) {
        Fail(res, e.status, e.what());
        if (e.status == 429) res.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
      } catch (const EQueueFull& e) {
        Fail(res, 429, std::string("The service is busy: ") + e.what());
        res.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
      } catch (const std::exception& e) {
        Fail(res, 500, e.what());
      }
      std::lock_guard lock(activeMutex_);
      if (--active_ == 0) idle_.notify_all();
    };
  }

  static void Fail(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content(ErrorBody(message), "application/json");
  }

  // Answers 304 when the client holds this version; otherwise marks the
  // answer as never changing.
  static bool NotModified(const httplib::Request& req, httplib::Response& res, const std::string& tag,
                          const char* cacheControl = "public, max-age=31536000, immutable") {
    const std::string etag = "\"" + tag + "\"";
    res.set_header("ETag", etag);
    res.set_header("Cache-Control", cacheControl);
    if (req.get_header_value("If-None-Match") == etag) {
      res.status = 304;
      return true;
    }
    return false;
  }

  std::string Describe(const std::string& id) {
    std::optional<std::string> d = cache_.Description(id);
    if (!d) throw HttpError(404, "No report with the id " + id);
    return *d;
  }

  int PageCount(const std::string& id) {
    return json::parse(Describe(id)).at("pages").get<int>();
  }

  // The page index of a 1-based page number in the path.
  int PageIndex(const std::string& id, const std::string& number) {
    const int count = PageCount(id);
    int n = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (ec != std::errc() || end != number.data() + number.size() || n < 1 || n > count)
      throw HttpError(404, "The report has no page " + number + "; it has " + std::to_string(count));
    return n - 1;
  }

  // A drawn page, from memory when drawn before.
  std::shared_ptr<const std::string> Drawn(const std::string& key, std::function<std::string()> draw) {
    return Drawn(key, [this, &draw] { return engine_.Call(std::move(draw)); }, true);
  }
  // The same with make running on the request's thread (it calls the engine itself).
  std::shared_ptr<const std::string> Drawn(const std::string& key, const std::function<std::string()>& make, bool) {
    if (auto hit = pageCache_.Get(key)) {
      metrics_.CountCacheHit("page");
      return hit;
    }
    auto bytes = std::make_shared<const std::string>(make());
    pageCache_.Put(key, bytes);
    return bytes;
  }

  void ServePage(const httplib::Request& req, httplib::Response& res, const std::string& kind) {
    const std::string id = req.matches[1];
    const int index = PageIndex(id, req.matches[2]);
    int dpi = 96;
    if (kind == "png" && req.has_param("dpi")) {
      dpi = ParsePositive(req.get_param_value("dpi"), "resolution");
      if (dpi < kMinPngDpi || dpi > kMaxPngDpi)
        throw HttpError(400, "resolution " + std::to_string(dpi) + " is outside " + std::to_string(kMinPngDpi) +
                                 ".." + std::to_string(kMaxPngDpi));
    }
    const std::string tag = id + "." + std::to_string(index + 1) + "." + kind + (kind == "png" ? std::to_string(dpi) : "");
    if (NotModified(req, res, tag)) return;
    std::shared_ptr<const std::string> bytes;
    if (kind == "png") {
      // Drawn on the engine's thread, encoded on this one.
      bytes = Drawn(tag, [this, id, index, dpi] {
        return EncodePng(engine_.Call([this, id, index, dpi] { return PageImage(reports_.Pages(id), index, dpi); }));
      }, true);
    } else {
      bytes = Drawn(tag, [this, id, index, kind]() -> std::string {
        TfrEMFPages& pages = reports_.Pages(id);
        return kind == "svg" ? PageSvg(pages, index) : PageTextJson(pages, index);
      });
    }
    if (kind == "svg") {
      // A page is a picture: nothing in it may run.
      res.set_header("Content-Security-Policy", "default-src 'none'; img-src data:; style-src 'unsafe-inline'");
      res.set_content(*bytes, "image/svg+xml");
    } else if (kind == "png") {
      res.set_content(*bytes, "image/png");
    } else {
      res.set_content(*bytes, "application/json");
    }
  }

  void Find(const httplib::Request& req, httplib::Response& res) {
    const std::string id = req.matches[1];
    const int count = PageCount(id);
    const std::string query = req.get_param_value("q");
    if (query.empty()) throw HttpError(400, "find needs a text: ?q=TEXT");
    const bool matchCase = req.get_param_value("case") == "1";
    json matches = json::array();
    bool complete = true;
    // A slice of pages at a time, so that page requests get their turn.
    constexpr int kSlice = 50;
    for (int from = 0; from < count && complete; from += kSlice) {
      engine_.Call([&] {
        for (int i = from; i < std::min(count, from + kSlice); ++i) {
          for (const CanvasRect& r : FindInRuns(reports_.Runs(id, i), query, matchCase)) {
            if (matches.size() >= kMaxFindMatches) {
              complete = false;
              return 0;
            }
            matches.push_back({{"page", i + 1}, {"box", {r.Left, r.Top, r.Width(), r.Height()}}});
          }
        }
        return 0;
      });
    }
    res.set_content(json{{"query", query}, {"matches", matches}, {"complete", complete}}.dump(
                        -1, ' ', false, json::error_handler_t::replace),
                    "application/json");
  }

  void Download(const httplib::Request& req, httplib::Response& res, bool pdf) {
    const std::string id = req.matches[1];
    const json d = json::parse(Describe(id));
    const std::string name = DownloadName(d.value("title", ""), id);
    if (!pdf) {
      if (NotModified(req, res, id + ".frp")) return;
      res.set_header("Content-Disposition", "attachment; filename=\"" + name + ".frp\"");
      res.set_content(ReadFile(cache_.FrpPath(id)), "application/octet-stream");
      return;
    }
    const int count = d.at("pages").get<int>();
    const std::string listText = req.has_param("pages") ? req.get_param_value("pages") : "1-" + std::to_string(count);
    const std::vector<int> list = ParsePageList(listText, count);
    const std::string tag = id + ".pdf." + listText;
    if (NotModified(req, res, tag)) return;
    auto bytes = Drawn(tag, [this, id, list]() -> std::string {
      TMemoryStream pdf;
      WritePdf(reports_.Pages(id), list, pdf);
      return std::move(pdf.Bytes());
    });
    res.set_header("Content-Disposition", std::string(req.has_param("download") ? "attachment" : "inline") +
                                              "; filename=\"" + name + ".pdf\"");
    res.set_content(*bytes, "application/pdf");
  }

  // POST /api/reports: {"params": "TEMPLATE,DATA"} or an upload of the
  // parts "template" and "data".
  void Create(const httplib::Request& req, httplib::Response& res) {
    std::string key, title;
    std::vector<std::string> args = {"prepare", "--cache", cache_.Dir()};
    std::vector<std::string> temporary;
    struct Cleanup {
      std::vector<std::string>& files;
      ~Cleanup() {
        for (const auto& f : files) std::remove(f.c_str());
      }
    } cleanup{temporary};
    std::string id;
    if (req.is_multipart_form_data()) {
      if (!req.has_file("template") || !req.has_file("data"))
        throw HttpError(400, "The upload needs the parts 'template' and 'data'");
      const auto tmpl = req.get_file_value("template");
      const auto data = req.get_file_value("data");
      id = ReportId(tmpl.content, data.content);
      title = std::filesystem::path(tmpl.filename).stem().string();
      if (Cached(id, res)) return;
      const std::string base = cache_.Dir() + "/.upload-" + id + "-" + std::to_string(++uploads_);
      temporary = {base + ".frf", base + ".json"};
      WriteFileAtomically(temporary[0], tmpl.content);
      WriteFileAtomically(temporary[1], data.content);
      key = id;
      args.insert(args.end(), {"--id", id, "--title", title, temporary[0] + "," + temporary[1]});
    } else {
      json body;
      try {
        body = json::parse(req.body);
      } catch (const std::exception&) {
        throw HttpError(400, "The request is neither JSON {\"params\": \"TEMPLATE,DATA\"} nor an upload");
      }
      if (!body.is_object() || !body.contains("params") || !body["params"].is_string())
        throw HttpError(400, "The request needs \"params\": \"TEMPLATE,DATA\"");
      const std::string params = body["params"].get<std::string>();
      const size_t comma = params.find(',');
      if (comma == std::string::npos)
        throw HttpError(400, "The params '" + params + "' are not of the form TEMPLATE,DATA");
      std::string templateAddress, dataAddress;
      try {
        templateAddress = options_.policy.Check(params.substr(0, comma));
        dataAddress = options_.policy.Check(params.substr(comma + 1));
      } catch (const Exception& e) {
        throw HttpError(400, e.what());
      }
      const bool local = templateAddress.find("://") == std::string::npos &&
                         dataAddress.find("://") == std::string::npos;
      std::optional<std::string> localId;
      if (local) localId = LocalReportId(templateAddress, dataAddress);
      if (localId) {
        // Local files are read here: a stored report needs no worker.
        id = *localId;
        if (Cached(id, res)) return;
        key = id;
      } else {
        key = "params:" + templateAddress + "," + dataAddress;
        if (!options_.hostList.empty()) args.insert(args.end(), {"--allow-hosts", options_.hostList});
      }
      args.push_back(templateAddress + "," + dataAddress);
    }
    PreparationResult r = pool_.Run(key, args);
    if (r.status == 200) {
      json answer = json::parse(r.output, nullptr, false);
      if (!answer.is_object() || !answer.contains("id")) throw HttpError(500, "The worker gave no report id");
      id = answer["id"].get<std::string>();
      const bool prepared = answer.value("prepared", false) && !r.shared;
      if (!prepared) metrics_.CountCacheHit("report");
      res.status = prepared ? 201 : 200;
      res.set_content(Describe(id), "application/json");
      return;
    }
    if (r.status == 422) {
      json answer = json::parse(r.output, nullptr, false);
      if (answer.is_object() && answer.contains("error"))
        throw HttpError(answer.value("status", 422), answer["error"].get<std::string>());
      throw HttpError(500, "The worker gave no answer");
    }
    throw HttpError(r.status, r.error);
  }

  // The id of two local files; nothing when one cannot be read (the worker
  // then says so in the engine's words).
  static std::optional<std::string> LocalReportId(const std::string& templatePath, const std::string& dataPath) {
    std::ifstream t(templatePath, std::ios::binary), d(dataPath, std::ios::binary);
    if (!t || !d) return std::nullopt;
    const std::string tb((std::istreambuf_iterator<char>(t)), std::istreambuf_iterator<char>());
    const std::string db((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
    return ReportId(tb, db);
  }

  bool Cached(const std::string& id, httplib::Response& res) {
    std::optional<std::string> d = cache_.Description(id);
    if (!d) return false;
    metrics_.CountCacheHit("report");
    res.status = 200;
    res.set_content(*d, "application/json");
    return true;
  }

  void Routes() {
    const std::string id = "([0-9a-f]{64})";
    server_.set_payload_max_length(options_.maxUpload);
    server_.set_keep_alive_max_count(10000);
    // Answers go out as they are written, not after the client's delayed acknowledgement.
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_timeout(30);
    server_.set_read_timeout(30);
    server_.set_write_timeout(60);
    server_.set_error_handler([this](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return;
      std::string message = "The request failed with status " + std::to_string(res.status);
      if (res.status == 404) message = "Nothing is served at this address";
      if (res.status == 413)
        message = "The request is larger than the " + std::to_string(options_.maxUpload) + " bytes allowed";
      res.set_content(ErrorBody(message), "application/json");
    });
    server_.set_logger([this](const httplib::Request&, const httplib::Response& res) {
      metrics_.CountRequest(res.status);
    });
    server_.Get("/healthz", Guard([](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok\n", "text/plain");
    }));
    server_.Get("/metrics", Guard([this](const httplib::Request&, httplib::Response& res) {
      res.set_content(metrics_.Text(pool_.Queued(), pool_.Running()), "text/plain; version=0.0.4");
    }));
    server_.Options(R"(/api/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Access-Control-Allow-Origin", "*");
      res.set_header("Access-Control-Allow-Methods", "GET, POST, OPTIONS");
      res.set_header("Access-Control-Allow-Headers", "Content-Type, If-None-Match");
      res.set_header("Access-Control-Max-Age", "86400");
      res.status = 204;
    });
    server_.Post("/api/reports", Guard([this](const httplib::Request& req, httplib::Response& res) { Create(req, res); }));
    server_.Get("/api/reports/" + id, Guard([this](const httplib::Request& req, httplib::Response& res) {
      const std::string rid = req.matches[1];
      const std::string d = Describe(rid);
      if (NotModified(req, res, rid)) return;
      res.set_content(d, "application/json");
    }));
    server_.Get("/api/reports/" + id + R"(/pages/(\d+)\.svg)",
                Guard([this](const httplib::Request& req, httplib::Response& res) { ServePage(req, res, "svg"); }));
    server_.Get("/api/reports/" + id + R"(/pages/(\d+)\.png)",
                Guard([this](const httplib::Request& req, httplib::Response& res) { ServePage(req, res, "png"); }));
    server_.Get("/api/reports/" + id + R"(/pages/(\d+)/text)",
                Guard([this](const httplib::Request& req, httplib::Response& res) { ServePage(req, res, "text"); }));
    server_.Get("/api/reports/" + id + "/find",
                Guard([this](const httplib::Request& req, httplib::Response& res) { Find(req, res); }));
    server_.Get("/api/reports/" + id + R"(\.pdf)",
                Guard([this](const httplib::Request& req, httplib::Response& res) { Download(req, res, true); }));
    server_.Get("/api/reports/" + id + R"(\.frp)",
                Guard([this](const httplib::Request& req, httplib::Response& res) { Download(req, res, false); }));
    auto page = Guard([](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Security-Policy",
                     "default-src 'self'; img-src 'self' data: blob:; style-src 'self' 'unsafe-inline'; "
                     "object-src 'none'; base-uri 'none'");
      res.set_content(std::string(WebAsset("index.html")), "text/html; charset=utf-8");
    });
    server_.Get("/", page);
    server_.Get("/view/" + id, page);
    server_.Get("/viewer/lumenfoldi-viewer.js", Guard([](const httplib::Request& req, httplib::Response& res) {
      if (NotModified(req, res, "viewer-" + std::string(WebAssetVersion()), "no-cache")) return;
      res.set_content(std::string(WebAsset("lumenfoldi-viewer.js")), "text/javascript; charset=utf-8");
    }));
  }

  ServiceOptions options_;
  ReportCache cache_;
  PreparationPool pool_;
  ByteCache pageCache_;
  OpenReports reports_;  // engine thread only
  ServiceMetrics metrics_;
  EngineThread engine_;
  httplib::Server server_;
  std::atomic<bool> draining_{false};
  std::atomic<int> active_{0};
  std::mutex activeMutex_;
  std::condition_variable idle_;
  std::atomic<uint64_t> uploads_{0};
};

}  // namespace

int RunService(const ServiceOptions& options) {
  Service service(options);
  return service.Run();
}

}  // namespace lf
