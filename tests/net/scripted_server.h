// A scripted TCP server for tests: listens on 127.0.0.1, hands each accepted
// connection to the next step of its script on its own thread, and records
// the exact request bytes it read.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lf::test {

class ScriptedServer;

// One accepted connection, driven by a script step.
class ServerConnection {
 public:
  ServerConnection(int fd, ScriptedServer& server) : fd_(fd), server_(server) {}
  ~ServerConnection() { Close(); }

  // Reads up to the blank line that ends a request header and records it.
  // Returns the header, or "" when the peer closed first.
  std::string ReadRequest();
  void Send(const std::string& bytes) {
    size_t off = 0;
    while (fd_ >= 0 && off < bytes.size()) {
      ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
      if (n <= 0) return;
      off += static_cast<size_t>(n);
    }
  }
  // Waits until the peer closes or the server stops.
  void WaitForPeerClose();
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  ScriptedServer& server_;
  std::string pending_;
};

class ScriptedServer {
 public:
  using Step = std::function<void(ServerConnection&)>;

  // Each accepted connection runs the next step; connections past the end of
  // the script are closed at once.
  explicit ScriptedServer(std::vector<Step> script) : script_(std::move(script)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_, 16);
    socklen_t len = sizeof addr;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }
  ~ScriptedServer() {
    stop_ = true;
    acceptor_.join();
    for (auto& t : workers_) t.join();
    ::close(listen_);
  }

  int Port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  int Accepted() const { return accepted_; }
  bool Stopping() const { return stop_; }

  void Record(const std::string& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }

  // A step that reads the request, sends bytes and closes.
  static Step Reply(std::string bytes) {
    return [bytes](ServerConnection& c) {
      c.ReadRequest();
      c.Send(bytes);
    };
  }
  // A step that answers several requests on one connection, then closes.
  static Step ReplyEach(std::vector<std::string> replies) {
    return [replies](ServerConnection& c) {
      for (const auto& r : replies) {
        if (c.ReadRequest().empty()) return;
        c.Send(r);
      }
    };
  }
  // A step that reads the request and then neither answers nor closes.
  static Step Silent() {
    return [](ServerConnection& c) {
      c.ReadRequest();
      c.WaitForPeerClose();
    };
  }

 private:
  void AcceptLoop() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int fd = ::accept(listen_, nullptr, nullptr);
      if (fd < 0) continue;
      size_t index = static_cast<size_t>(accepted_++);
      Step step = index < script_.size() ? script_[index] : Step();
      workers_.emplace_back([this, fd, step] {
        ServerConnection c(fd, *this);
        if (step) step(c);
      });
    }
  }

  std::vector<Step> script_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

inline std::string ServerConnection::ReadRequest() {
  char buf[4096];
  while (fd_ >= 0) {
    size_t end = pending_.find("\r\n\r\n");
    if (end != std::string::npos) {
      std::string request = pending_.substr(0, end + 4);
      pending_.erase(0, end + 4);
      server_.Record(request);
      return request;
    }
    pollfd p{fd_, POLLIN, 0};
    if (server_.Stopping()) return "";
    if (::poll(&p, 1, 50) <= 0) continue;
    ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) return "";
    pending_.append(buf, static_cast<size_t>(n));
  }
  return "";
}

inline void ServerConnection::WaitForPeerClose() {
  char buf[4096];
  while (fd_ >= 0 && !server_.Stopping()) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    if (::recv(fd_, buf, sizeof buf, 0) <= 0) return;
  }
}

// A port on 127.0.0.1 where nothing listens.
inline int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

}  // namespace lf::test
