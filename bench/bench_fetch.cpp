// Download throughput: a 200 MB body from a local server fetched by
// "lumenfoldi fetch" and by curl in the same run.
//   bench_fetch [PATH-TO-lumenfoldi] [MEGABYTES] [ROUNDS]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

// Serves the same body to every connection until stopped.
class BodyServer {
 public:
  explicit BodyServer(size_t bytes) : bytes_(bytes), block_(1 << 20) {
    for (size_t i = 0; i < block_.size(); ++i) block_[i] = static_cast<char>('a' + i % 26);
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd_, 4);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~BodyServer() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
  }
  int Port() const { return port_; }

 private:
  void Loop() {
    while (!stop_) {
      int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
      }
      std::string header = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                           std::to_string(bytes_) + "\r\n\r\n";
      bool ok = ::send(c, header.data(), header.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(header.size());
      for (size_t sent = 0; ok && sent < bytes_;) {
        size_t n = std::min(block_.size(), bytes_ - sent);
        ssize_t w = ::send(c, block_.data(), n, MSG_NOSIGNAL);
        if (w <= 0) ok = false;
        else sent += static_cast<size_t>(w);
      }
      ::close(c);
    }
  }

  size_t bytes_;
  std::vector<char> block_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Timing {
  double wall = 0;  // seconds
  double cpu = 0;   // user + system seconds of the child processes
};

double ChildCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Timing Run(const std::string& command) {
  double cpuBefore = ChildCpuSeconds();
  auto start = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  Timing t;
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  t.cpu = ChildCpuSeconds() - cpuBefore;
  if (rc != 0) {
    std::fprintf(stderr, "failed (%d): %s\n", rc, command.c_str());
    std::exit(1);
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
  std::string cli = argc > 1 ? argv[1] : (self.parent_path().parent_path() / "apps" / "lumenfoldi").string();
  size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  size_t bytes = megabytes * 1000 * 1000;
  BodyServer server(bytes);
  std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/body.bin";
  std::filesystem::path out = std::filesystem::temp_directory_path() / ("bench_fetch_" + std::to_string(getpid()));

  std::vector<Timing> ours, curl;
  for (int r = 0; r < rounds; ++r) {
    ours.push_back(Run("QT_QPA_PLATFORM=offscreen '" + cli + "' fetch -o '" + out.string() + "' '" + url +
                       "' 2>/dev/null"));
    if (std::filesystem::file_size(out) != bytes) {
      std::fprintf(stderr, "lumenfoldi fetch wrote %ju bytes\n", static_cast<uintmax_t>(std::filesystem::file_size(out)));
      return 1;
    }
    curl.push_back(Run("curl -s -o '" + out.string() + "' '" + url + "'"));
  }
  std::filesystem::remove(out);
  auto median = [](const std::vector<Timing>& v, double Timing::*field) {
    std::vector<double> x;
    for (const Timing& t : v) x.push_back(t.*field);
    std::sort(x.begin(), x.end());
    return x[x.size() / 2];
  };
  auto best = [](const std::vector<Timing>& v) {
    double b = v.front().wall;
    for (const Timing& t : v) b = std::min(b, t.wall);
    return b;
  };
  double mb = static_cast<double>(bytes) / 1e6;
  std::printf("body: %zu MB from 127.0.0.1, %d rounds, file output\n", megabytes, rounds);
  for (auto [name, v] : {std::pair{"lumenfoldi fetch", &ours}, std::pair{"curl", &curl}}) {
    std::printf("%-17s best %.3f s (%.0f MB/s), median %.3f s (%.0f MB/s), median CPU %.3f s\n", name, best(*v),
                mb / best(*v), median(*v, &Timing::wall), mb / median(*v, &Timing::wall), median(*v, &Timing::cpu));
  }
  std::printf("throughput ratio (median wall time): %.2f x curl\n", median(curl, &Timing::wall) / median(ours, &Timing::wall));
  return 0;
}
