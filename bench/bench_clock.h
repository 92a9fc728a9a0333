// The benchmarks' clocks: wall time and this process's processor time.
#pragma once

#include <time.h>

#include <chrono>

namespace lf::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this process (user and system), seconds: the figure that
// stays put while other work shares the machine.
inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace lf::bench
