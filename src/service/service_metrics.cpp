// The service's counters in the Prometheus text format.
#include "service/service_metrics.h"

#include <cstdio>

namespace lf {
namespace {

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  // The format's numbers use a point whatever the locale says.
  for (char* p = buf; *p; ++p)
    if (*p == ',') *p = '.';
  return buf;
}

}  // namespace

void ServiceMetrics::CountRequest(int status) {
  std::lock_guard lock(mutex_);
  ++requests_[status];
}

void ServiceMetrics::CountPreparation(const std::string& outcome, double seconds) {
  std::lock_guard lock(mutex_);
  ++preparations_[outcome];
  ++preparationCount_;
  preparationSum_ += seconds;
  for (size_t i = 0; i < kPreparationBuckets.size(); ++i)
    if (seconds <= kPreparationBuckets[i]) ++buckets_[i];
}

void ServiceMetrics::CountCacheHit(const std::string& kind) {
  std::lock_guard lock(mutex_);
  ++cacheHits_[kind];
}

std::string ServiceMetrics::Text(int queued, int running) const {
  std::lock_guard lock(mutex_);
  std::string t;
  t += "# HELP lumenfoldi_requests_total HTTP requests answered, by status.\n";
  t += "# TYPE lumenfoldi_requests_total counter\n";
  for (const auto& [status, n] : requests_)
    t += "lumenfoldi_requests_total{status=\"" + std::to_string(status) + "\"} " + std::to_string(n) + "\n";
  t += "# HELP lumenfoldi_preparations_total Preparations run by workers, by outcome.\n";
  t += "# TYPE lumenfoldi_preparations_total counter\n";
  for (const auto& [outcome, n] : preparations_)
    t += "lumenfoldi_preparations_total{outcome=\"" + outcome + "\"} " + std::to_string(n) + "\n";
  t += "# HELP lumenfoldi_cache_hits_total Reports and pages answered from the cache.\n";
  t += "# TYPE lumenfoldi_cache_hits_total counter\n";
  for (const auto& [kind, n] : cacheHits_)
    t += "lumenfoldi_cache_hits_total{kind=\"" + kind + "\"} " + std::to_string(n) + "\n";
  t += "# HELP lumenfoldi_queue_length Preparations waiting for a worker.\n";
  t += "# TYPE lumenfoldi_queue_length gauge\n";
  t += "lumenfoldi_queue_length " + std::to_string(queued) + "\n";
  t += "# HELP lumenfoldi_workers_busy Workers preparing now.\n";
  t += "# TYPE lumenfoldi_workers_busy gauge\n";
  t += "lumenfoldi_workers_busy " + std::to_string(running) + "\n";
  t += "# HELP lumenfoldi_preparation_seconds Running time of preparations.\n";
  t += "# TYPE lumenfoldi_preparation_seconds histogram\n";
  for (size_t i = 0; i < kPreparationBuckets.size(); ++i)
    t += "lumenfoldi_preparation_seconds_bucket{le=\"" + Number(kPreparationBuckets[i]) + "\"} " +
         std::to_string(buckets_[i]) + "\n";
  t += "lumenfoldi_preparation_seconds_bucket{le=\"+Inf\"} " + std::to_string(preparationCount_) + "\n";
  t += "lumenfoldi_preparation_seconds_sum " + Number(preparationSum_) + "\n";
  t += "lumenfoldi_preparation_seconds_count " + std::to_string(preparationCount_) + "\n";
  return t;
}

}  // namespace lf
