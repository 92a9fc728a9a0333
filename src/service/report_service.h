// The report service: the HTTP API over the report cache, the preparation
// workers and the page drawing, and the web viewer's files.
#pragma once

#include <cstddef>
#include <string>

#include "service/address_policy.h"

namespace lf {

// Preparations waiting for a worker before requests get 429.
inline constexpr int kDefaultQueue = 32;
inline constexpr double kDefaultTimeoutSeconds = 120;
// Largest request body: an upload, or a JSON request (bytes).
inline constexpr size_t kDefaultMaxUpload = 64u << 20;
// What a 429 asks the client to wait (seconds).
inline constexpr int kRetryAfterSeconds = 2;
// Drawn pages kept in memory for repeated requests (bytes).
inline constexpr size_t kPageCacheBytes = 128u << 20;
// Pages of the reports kept open for drawing, all reports together; the
// least recently used reports are closed beyond it.
inline constexpr int kMaxOpenPages = 50000;
// Pages of a report whose text runs are kept for repeated finds.
inline constexpr int kMaxKeptTextPages = 2000;
// Matches one find answers at most.
inline constexpr size_t kMaxFindMatches = 10000;
// Connections waiting to be accepted.
inline constexpr int kListenBacklog = 1024;
// Threads answering requests besides those waiting on preparations.
inline constexpr int kServingThreads = 16;

struct ServiceOptions {
  std::string host = "127.0.0.1";
  int port = 8080;             // 0: any free port
  std::string cacheDir;
  int workers = 1;
  int queue = kDefaultQueue;
  double timeoutSeconds = kDefaultTimeoutSeconds;
  size_t maxUpload = kDefaultMaxUpload;
  AddressPolicy policy;
  std::string program;         // the executable preparations run as
  std::string hostList;        // --allow-hosts as given, handed to workers
};

// Serves until SIGTERM or SIGINT, then lets running requests finish,
// refuses new ones and returns 0. Call on the thread that made the
// application; the engine runs there. Raises lf::Exception when the service
// cannot start.
int RunService(const ServiceOptions& options);

}  // namespace lf
