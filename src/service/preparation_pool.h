// PreparationPool: runs preparations as child processes of the program (the
// engine prepares one report per process), at most a number at once, with a
// bounded queue before them, a time limit, and one run for identical requests.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace lf {

// The pool's workers are busy and its queue is full.
class EQueueFull : public Exception {
 public:
  using Exception::Exception;
};

// Seconds a stopped worker gets to end on its own before it is killed.
inline constexpr int kWorkerStopGraceSeconds = 3;
// Bytes of a worker's output and errors kept.
inline constexpr size_t kMaxWorkerOutput = 1 << 20;

struct PreparationResult {
  int status = 500;     // HTTP status: 200 done, 400/422 refused input, 500 crashed, 503 timed out
  std::string output;   // the worker's standard output (its JSON answer)
  std::string error;    // the message for a failure
  double seconds = 0;   // the worker's running time
  bool shared = false;  // the answer of a run started by an identical request
};

class PreparationPool {
 public:
  // program: the executable run with each job's arguments. workers >= 1,
  // queue >= 0 waiting jobs, timeoutSeconds > 0.
  PreparationPool(std::string program, int workers, int queue, double timeoutSeconds);

  // Runs the program with args and waits for it. A job whose key is running
  // or waiting gets that run's result instead. Raises EQueueFull.
  PreparationResult Run(const std::string& key, const std::vector<std::string>& args);

  int Running() const;
  int Queued() const;
  double TimeoutSeconds() const { return timeout_; }

  // Called with each finished run (not with shared results).
  std::function<void(const PreparationResult&)> OnFinished;

 private:
  struct Job {
    bool done = false;
    PreparationResult result;
  };
  PreparationResult Spawn(const std::vector<std::string>& args) const;

  const std::string program_;
  const int workers_, queue_;
  const double timeout_;
  mutable std::mutex mutex_;
  std::condition_variable slotFree_, jobDone_;
  int running_ = 0, waiting_ = 0;
  std::map<std::string, std::shared_ptr<Job>> jobs_;
};

}  // namespace lf
