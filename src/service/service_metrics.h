// ServiceMetrics: the counters a service exposes in the Prometheus text
// format: requests by status, preparations, cache hits, preparation times.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace lf {

// Upper bounds (seconds) of the preparation time histogram's buckets.
inline constexpr std::array<double, 9> kPreparationBuckets = {0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60};

class ServiceMetrics {
 public:
  void CountRequest(int status);
  // outcome: "done", "failed", "timeout", "crashed".
  void CountPreparation(const std::string& outcome, double seconds);
  void CountCacheHit(const std::string& kind);  // "report", "page"

  // The text of GET /metrics; queued and running are read at the time.
  std::string Text(int queued, int running) const;

 private:
  mutable std::mutex mutex_;
  std::map<int, uint64_t> requests_;
  std::map<std::string, uint64_t> preparations_;
  std::map<std::string, uint64_t> cacheHits_;
  std::array<uint64_t, kPreparationBuckets.size()> buckets_{};
  uint64_t preparationCount_ = 0;
  double preparationSum_ = 0;
};

}  // namespace lf
