// "lumenfoldi serve": the report service over HTTP with the web viewer.
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "command.h"
#include "platform/exception.h"
#include "service/report_service.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "serve [--listen ADDR:PORT] [--cache DIR] [--workers N] [--queue N] [--timeout SECONDS] "
    "[--allow-files DIR] [--allow-hosts LIST] [--max-upload BYTES]   serve reports and the web viewer over HTTP";

// Most workers and queued preparations one service takes.
constexpr int kMaxWorkers = 256;
constexpr int kMaxQueue = 10000;
// Longest --timeout, seconds.
constexpr double kMaxTimeoutSeconds = 86400;

long long ParseNumber(const std::string& text, const std::string& option, long long low, long long high) {
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
    throw Exception("--" + option + " needs a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high) + ", not '" + text + "'");
  return v;
}

std::string DefaultCache() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) return std::string(xdg) + "/lumenfoldi/reports";
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.cache/lumenfoldi/reports";
  return "lumenfoldi-reports";
}

int RunServe(const Args& args) {
  Options opts(args, {"listen", "cache", "workers", "queue", "timeout", "allow-files", "allow-hosts", "max-upload"});
  if (!opts.Positional().empty()) throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  ServiceOptions o;
  const std::string listen = opts.Value("listen", "127.0.0.1:8080");
  const size_t colon = listen.rfind(':');
  if (colon == std::string::npos) throw Exception("--listen needs ADDR:PORT, not '" + listen + "'");
  o.host = listen.substr(0, colon);
  if (o.host.size() > 2 && o.host.front() == '[' && o.host.back() == ']') o.host = o.host.substr(1, o.host.size() - 2);
  o.port = static_cast<int>(ParseNumber(listen.substr(colon + 1), "listen port", 0, 65535));
  o.cacheDir = std::filesystem::absolute(opts.Value("cache", DefaultCache())).string();
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  o.workers = opts.Has("workers") ? static_cast<int>(ParseNumber(opts.Value("workers"), "workers", 1, kMaxWorkers)) : cores;
  o.queue = opts.Has("queue") ? static_cast<int>(ParseNumber(opts.Value("queue"), "queue", 0, kMaxQueue)) : kDefaultQueue;
  if (opts.Has("timeout")) {
    const std::string t = opts.Value("timeout");
    // Seconds may have a fraction, written with a point whatever the locale.
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !(v > 0) || v > kMaxTimeoutSeconds)
      throw Exception("--timeout needs seconds above 0 and at most 86400, not '" + t + "'");
    o.timeoutSeconds = v;
  }
  if (opts.Has("max-upload"))
    o.maxUpload = static_cast<size_t>(ParseNumber(opts.Value("max-upload"), "max-upload", 1, 1LL << 40));
  if (opts.Has("allow-files")) {
    const std::filesystem::path dir = opts.Value("allow-files");
    if (!std::filesystem::is_directory(dir)) throw Exception("--allow-files needs a folder, not '" + dir.string() + "'");
    o.policy.allowFiles = std::filesystem::canonical(dir).string();
  }
  o.hostList = opts.Value("allow-hosts");
  o.policy.allowHosts = ParseHostList(o.hostList);
  o.program = std::filesystem::read_symlink("/proc/self/exe").string();
  return RunService(o);
}

const Registration reg("serve", kUsage, RunServe);

}  // namespace
}  // namespace lf::cli
