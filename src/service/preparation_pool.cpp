// Worker processes for preparations.
#include "service/preparation_pool.h"

#include <charconv>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace lf {
namespace {

using Clock = std::chrono::steady_clock;

void AppendBounded(std::string& to, const char* data, size_t n) {
  if (to.size() < kMaxWorkerOutput) to.append(data, std::min(n, kMaxWorkerOutput - to.size()));
}

// The last line of a worker's error output that says something.
std::string LastLine(const std::string& text) {
  size_t end = text.find_last_not_of("\n ");
  if (end == std::string::npos) return "";
  size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start == std::string::npos ? 0 : start + 1));
}

}  // namespace

PreparationPool::PreparationPool(std::string program, int workers, int queue, double timeoutSeconds)
    : program_(std::move(program)), workers_(std::max(1, workers)), queue_(std::max(0, queue)),
      timeout_(timeoutSeconds) {}

int PreparationPool::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

int PreparationPool::Queued() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

PreparationResult PreparationPool::Run(const std::string& key, const std::vector<std::string>& args) {
  std::unique_lock lock(mutex_);
  if (auto it = jobs_.find(key); it != jobs_.end()) {
    std::shared_ptr<Job> job = it->second;
    jobDone_.wait(lock, [&] { return job->done; });
    PreparationResult result = job->result;
    result.shared = true;
    return result;
  }
  if (running_ >= workers_ && waiting_ >= queue_)
    throw EQueueFull("all " + std::to_string(workers_) + " workers are busy and " + std::to_string(waiting_) +
                     " preparations wait");
  auto job = std::make_shared<Job>();
  jobs_[key] = job;
  ++waiting_;
  slotFree_.wait(lock, [&] { return running_ < workers_; });
  --waiting_;
  ++running_;
  lock.unlock();
  PreparationResult result = Spawn(args);
  if (OnFinished) OnFinished(result);
  lock.lock();
  --running_;
  job->result = result;
  job->done = true;
  jobs_.erase(key);
  slotFree_.notify_one();
  jobDone_.notify_all();
  return result;
}

PreparationResult PreparationPool::Spawn(const std::vector<std::string>& args) const {
  PreparationResult result;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    result.error = std::string("cannot start a worker: ") + std::strerror(errno);
    return result;
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    result.error = std::string("cannot start a worker: ") + std::strerror(errno);
    return result;
  }
  std::vector<std::string> argvStrings;
  argvStrings.push_back(program_);
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(out[1], 1);
    dup2(err[1], 2);
    // Nothing of the service (its sockets, its files) goes into the worker.
    syscall(SYS_close_range, 3u, ~0u, 0u);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  if (pid < 0) {
    close(out[0]);
    close(err[0]);
    result.error = std::string("cannot start a worker: ") + std::strerror(errno);
    return result;
  }
  const auto deadline = start + std::chrono::milliseconds(static_cast<int64_t>(timeout_ * 1000));
  bool stopped = false, killed = false;
  auto killAt = Clock::time_point::max();
  std::string errors;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    const auto now = Clock::now();
    if (!stopped && now >= deadline) {
      // The engine's stop path first: the worker stops its run and ends.
      kill(pid, SIGTERM);
      stopped = true;
      killAt = now + std::chrono::seconds(kWorkerStopGraceSeconds);
    }
    if (stopped && !killed && now >= killAt) {
      kill(pid, SIGKILL);
      killed = true;
    }
    const auto until = stopped ? (killed ? now + std::chrono::seconds(1) : killAt) : deadline;
    const int wait = static_cast<int>(
        std::clamp<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1, 1, 1000));
    int n = poll(fds, 2, wait);
    if (n < 0 && errno != EINTR) break;
    for (pollfd& f : fds) {
      if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      ssize_t got = read(f.fd, buf, sizeof buf);
      if (got > 0) {
        AppendBounded(f.fd == out[0] ? result.output : errors, buf, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(f.fd);
        f.fd = -1;
        --open;
      }
    }
  }
  for (pollfd& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (stopped) {
    result.status = 503;
    char limit[32];
    const auto end = std::to_chars(limit, limit + sizeof limit, timeout_).ptr;
    result.error = "The preparation took longer than " + std::string(limit, end) + " seconds and was stopped";
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    result.status = 200;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 1 && !result.output.empty()) {
    result.status = 422;  // the worker's answer says which and why
  } else {
    result.status = 500;
    result.error = WIFSIGNALED(status)
                       ? "The preparation ended unexpectedly (signal " + std::to_string(WTERMSIG(status)) + ")"
                       : "The preparation ended unexpectedly (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
    const std::string last = LastLine(errors);
    if (!last.empty()) result.error += ": " + last;
  }
  return result;
}

}  // namespace lf
