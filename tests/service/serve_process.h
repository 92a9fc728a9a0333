// A running "lumenfoldi serve" on a free loopback port, for the service tests.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace lf::test {

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ServeProcess {
 public:
  // Starts the service with args after "serve --listen 127.0.0.1:0"; its
  // errors go to dir/NAME.err.
  ServeProcess(const std::filesystem::path& dir, const std::string& name, std::vector<std::string> args)
      : err_(dir / (name + ".err")) {
    std::vector<std::string> argv = {LF_CLI_PATH, "serve", "--listen", "127.0.0.1:0"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = fork();
    if (pid_ == 0) {
      std::FILE* err = std::freopen(err_.c_str(), "w", stderr);
      (void)err;
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("XDG_RUNTIME_DIR", (dir / "xdg").c_str(), 1);
      std::vector<char*> raw;
      for (auto& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    // The service names its port once it listens.
    const std::regex listening("listening on http://127\\.0\\.0\\.1:(\\d+)/");
    for (int i = 0; i < 600 && port_ == 0; ++i) {
      std::smatch m;
      const std::string text = Slurp(err_);
      if (std::regex_search(text, m, listening)) port_ = std::stoi(m[1]);
      else std::this_thread::sleep_for(std::chrono::milliseconds(50));
      int status;
      if (port_ == 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
    }
    EXPECT_NE(port_, 0) << Slurp(err_);
  }
  ~ServeProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  ServeProcess(const ServeProcess&) = delete;
  ServeProcess& operator=(const ServeProcess&) = delete;

  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  std::string Errors() const { return Slurp(err_); }
  std::unique_ptr<httplib::Client> Client() const {
    auto c = std::make_unique<httplib::Client>("127.0.0.1", port_);
    c->set_read_timeout(120);
    return c;
  }
  // Sends SIGTERM and waits for the exit; the exit code, or -1 for a signal.
  int Stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The process ids of the service's running workers.
  std::vector<pid_t> Workers() const {
    std::vector<pid_t> out;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/task", ec)) {
      std::ifstream children(task.path() / "children");
      pid_t p;
      while (children >> p) out.push_back(p);
    }
    return out;
  }

 private:
  std::filesystem::path err_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A folder of the test's own, removed with everything in it.
class ServiceTest : public testing::Test {
 protected:
  ServiceTest()
      : dir_(std::filesystem::temp_directory_path() /
             ("lf_serve_" + std::to_string(getpid()) + "_" +
              testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "xdg");
    std::filesystem::permissions(dir_ / "xdg", std::filesystem::perms::owner_all);
  }
  ~ServiceTest() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Example(const std::string& name) {
    return "examples/" + name + "/template.frf,examples/" + name + "/data.json";
  }
  static std::string ParamsBody(const std::string& params) {
    std::string quoted;
    for (char c : params) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return "{\"params\": \"" + quoted + "\"}";
  }
  // The service serving the examples, with more arguments.
  std::unique_ptr<ServeProcess> Serve(const std::string& name, std::vector<std::string> args = {}) {
    std::vector<std::string> all = {"--cache", Path("cache"), "--allow-files", LF_SOURCE_DIR};
    all.insert(all.end(), args.begin(), args.end());
    return std::make_unique<ServeProcess>(dir_, name, all);
  }
  // A template built from its text form; its path relative to the allowed folder.
  std::string Template(const std::string& name, const std::string& text) {
    std::ofstream(Path(name + ".json")) << text;
    const std::string cmd = "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" + Path("xdg") + "' '" LF_CLI_PATH
                            "' template build '" + Path(name + ".json") + "' -o '" + Path(name + ".frf") + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return Path(name + ".frf");
  }

  std::filesystem::path dir_;
};

}  // namespace lf::test
