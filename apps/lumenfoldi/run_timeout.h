// --timeout SECONDS of the subcommands that run a report: a timer that asks
// the report to stop through its stop path.
#pragma once

#include <QTimer>
#include <string>

namespace lf {
class TfrReport;
}

namespace lf::cli {

// Longest run a --timeout may ask for, seconds (keeps the timer in range).
inline constexpr double kMaxTimeoutSeconds = 86400.0 * 24;

// The seconds of a --timeout value; lf::Exception unless above 0 and at
// most kMaxTimeoutSeconds.
double ParseTimeout(const std::string& text);

// Sets the report's StopRequested once the seconds have passed (0: never);
// the run sees it while it handles its messages.
class RunTimeout {
 public:
  RunTimeout(TfrReport& report, double seconds);
  RunTimeout(const RunTimeout&) = delete;
  RunTimeout& operator=(const RunTimeout&) = delete;
  bool Expired() const { return expired_; }

 private:
  QTimer timer_;
  bool expired_ = false;
};

}  // namespace lf::cli
