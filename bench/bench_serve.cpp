// Benchmark of "lumenfoldi serve" on a loopback port: the first page after
// POST of a 10,000-row list report (cold, cached in the process, cached in
// a new process), SVG and PNG page response times (median, p99) under 8
// concurrent clients and pages per second, and the service's resident
// memory while every page of a 10,000-page report is served.
//   bench_serve [ROWS [BIG_PAGES]]   (defaults 10000 and 10000; BIG_PAGES 0 leaves that out)
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A list: page header, four fields a row, "Page N of M" (two passes). With
// rowHeight near a page's height every row makes a page of its own.
std::string ListTemplate(int rowHeight) {
  const std::string h = std::to_string(rowHeight);
  return R"({"Version": 25, "TwoPass": true, "Pages": [{"Name": "Page1", "Objects": [
    {"TypeCode": 2, "Name": "PageHeader1", "FrameTyp": 2, "Top": 20, "Width": 758, "Height": 24},
    {"TypeCode": 0, "Name": "H1", "Left": 36, "Top": 22, "Width": 300, "Height": 20, "Memo": ["Customers"]},
    {"TypeCode": 2, "Name": "MasterData1", "FrameTyp": 5, "Top": 60, "Width": 758, "Height": )" + h +
         R"(, "FormatStr": "frdataset0"},
    {"TypeCode": 0, "Name": "Id", "Left": 36, "Top": 60, "Width": 80, "Height": 18, "Memo": ["[cds0.id]"]},
    {"TypeCode": 0, "Name": "Name", "Left": 120, "Top": 60, "Width": 250, "Height": 18, "Memo": ["[cds0.name]"]},
    {"TypeCode": 0, "Name": "City", "Left": 380, "Top": 60, "Width": 150, "Height": 18, "Memo": ["[cds0.city]"]},
    {"TypeCode": 0, "Name": "Amount", "Left": 540, "Top": 60, "Width": 150, "Height": 18, "Memo": ["[cds0.amount]"]},
    {"TypeCode": 2, "Name": "PageFooter1", "FrameTyp": 3, "Top": 1030, "Width": 758, "Height": 24},
    {"TypeCode": 0, "Name": "N", "Left": 36, "Top": 1032, "Width": 600, "Height": 18,
     "Memo": ["Page [PAGE#] of [TOTALPAGES]"]}]}]})";
}

std::string Data(int rows) {
  static const char* cities[] = {"Berlin", "Lyon", "Porto", "Graz", "Turku"};
  std::string text = "[";
  for (int i = 1; i <= rows; ++i) {
    if (i > 1) text += ",\n";
    text += "{\"id\":\"" + std::to_string(i) + "\",\"name\":\"Customer " + std::to_string(i) + "\",\"city\":\"" +
            cities[i % 5] + "\",\"amount\":\"" + std::to_string(i * 7 % 1000) + ".50\"}";
  }
  return text + "]";
}

class Serve {
 public:
  Serve(const fs::path& dir, const std::string& name) {
    const std::string err = (dir / (name + ".err")).string();
    pid_ = fork();
    if (pid_ == 0) {
      if (!std::freopen(err.c_str(), "w", stderr)) _exit(127);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      const std::string cache = (dir / "cache").string(), files = dir.string();
      execl(LF_CLI_PATH, LF_CLI_PATH, "serve", "--listen", "127.0.0.1:0", "--cache", cache.c_str(), "--allow-files",
            files.c_str(), "--timeout", "600", static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::regex listening("listening on http://127\\.0\\.0\\.1:(\\d+)/");
    for (int i = 0; i < 600 && port_ == 0; ++i) {
      std::smatch m;
      const std::string text = Slurp(err);
      if (std::regex_search(text, m, listening)) port_ = std::stoi(m[1]);
      else std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (port_ == 0) {
      std::fprintf(stderr, "serve did not start\n");
      std::exit(1);
    }
  }
  ~Serve() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  int Port() const { return port_; }
  long RssMb() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
    return 0;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

struct Posted {
  std::string id;
  int pages = 0;
};

Posted Post(httplib::Client& c, const std::string& params) {
  auto r = c.Post("/api/reports", "{\"params\": \"" + params + "\"}", "application/json");
  if (!r || (r->status != 200 && r->status != 201)) {
    std::fprintf(stderr, "POST failed: %s\n", r ? r->body.c_str() : "no answer");
    std::exit(1);
  }
  std::smatch m;
  Posted p;
  if (std::regex_search(r->body, m, std::regex("\"id\":\"([0-9a-f]{64})\""))) p.id = m[1];
  if (std::regex_search(r->body, m, std::regex("\"pages\":(\\d+)"))) p.pages = std::stoi(m[1]);
  return p;
}

double FirstPage(int port, const std::string& params) {
  httplib::Client c("127.0.0.1", port);
  c.set_read_timeout(600);
  c.set_tcp_nodelay(true);  // as browsers do
  c.set_keep_alive(true);
  const auto start = Clock::now();
  Posted p = Post(c, params);
  auto r = c.Get("/api/reports/" + p.id + "/pages/1.svg");
  if (!r || r->status != 200) std::exit(1);
  return Ms(start);
}

struct Timing {
  double median = 0, p99 = 0, perSecond = 0;
};

// clients clients request the paths in turn; every answer must be 200.
Timing Hammer(int port, const std::vector<std::string>& paths, int clients) {
  if (paths.empty()) return {};
  std::vector<double> times(paths.size());
  std::atomic<size_t> next{0};
  std::atomic<int> failed{0};
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int k = 0; k < clients; ++k) {
    threads.emplace_back([&] {
      httplib::Client c("127.0.0.1", port);
      c.set_keep_alive(true);
      c.set_read_timeout(600);
      c.set_tcp_nodelay(true);
      for (size_t i; (i = next++) < paths.size();) {
        const auto t = Clock::now();
        auto r = c.Get(paths[i]);
        times[i] = Ms(t);
        if (!r || r->status != 200) ++failed;
      }
    });
  }
  for (auto& t : threads) t.join();
  const double seconds = Ms(start) / 1000;
  if (failed) std::fprintf(stderr, "%d requests failed\n", failed.load());
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)],
          static_cast<double>(paths.size()) / seconds};
}

void Row(const char* what, const Timing& t) {
  std::printf("| %s | %.1f | %.1f | %.0f |\n", what, t.median, t.p99, t.perSecond);
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int bigPages = argc > 2 ? std::atoi(argv[2]) : 10000;
  const fs::path dir = fs::temp_directory_path() / ("lf_bench_serve_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "list.json") << ListTemplate(18);
  std::ofstream(dir / "big.json") << ListTemplate(950);
  std::ofstream(dir / "data.json") << Data(rows);
  std::ofstream(dir / "bigdata.json") << Data(bigPages);
  for (const char* t : {"list", "big"}) {
    const std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' template build '" + (dir / t).string() +
                            ".json' -o '" + (dir / t).string() + ".frf'";
    if (std::system(cmd.c_str()) != 0) return 1;
  }
  const std::string list = "list.frf,data.json", big = "big.frf,bigdata.json";
  {
    Serve serve(dir, "a");
    std::printf("first page visible after POST, %d rows:\n", rows);
    std::printf("  cold (prepared now): %.0f ms\n", FirstPage(serve.Port(), list));
    std::printf("  cached, same process: %.1f ms\n", FirstPage(serve.Port(), list));
    {
      Serve second(dir, "b");
      std::printf("  cached, new process sharing the cache: %.1f ms\n", FirstPage(second.Port(), list));
    }
    httplib::Client c("127.0.0.1", serve.Port());
    Posted p = Post(c, list);
    std::vector<std::string> svg, png;
    for (int i = 1; i <= p.pages; ++i) {
      svg.push_back("/api/reports/" + p.id + "/pages/" + std::to_string(i) + ".svg");
      png.push_back("/api/reports/" + p.id + "/pages/" + std::to_string(i) + ".png");
    }
    std::printf("\n%d pages, 8 concurrent clients:\n\n| request | median ms | p99 ms | pages/s |\n|---|---|---|---|\n",
                p.pages);
    Row("SVG, drawn", Hammer(serve.Port(), std::vector<std::string>(svg.begin() + 1, svg.end()), 8));
    Row("SVG, cached", Hammer(serve.Port(), svg, 8));
    Row("PNG 96 dpi, drawn", Hammer(serve.Port(), png, 8));
    Row("PNG 96 dpi, cached", Hammer(serve.Port(), png, 8));
  }
  if (bigPages > 0) {
    Serve serve(dir, "c");
    httplib::Client c("127.0.0.1", serve.Port());
    c.set_read_timeout(600);
    const auto start = Clock::now();
    Posted p = Post(c, big);
    std::printf("\n%d-page report prepared in %.1f s; service memory while every page is served as SVG:\n\n",
                p.pages, Ms(start) / 1000);
    std::printf("| pages served | resident MB |\n|---|---|\n| 0 | %ld |\n", serve.RssMb());
    const int step = std::max(1, p.pages / 5);
    for (int from = 1; from <= p.pages; from += step) {
      std::vector<std::string> paths;
      for (int i = from; i < std::min(p.pages + 1, from + step); ++i)
        paths.push_back("/api/reports/" + p.id + "/pages/" + std::to_string(i) + ".svg");
      Hammer(serve.Port(), paths, 8);
      std::printf("| %d | %ld |\n", std::min(p.pages, from + step - 1), serve.RssMb());
      std::fflush(stdout);
    }
  }
  fs::remove_all(dir);
  return 0;
}
