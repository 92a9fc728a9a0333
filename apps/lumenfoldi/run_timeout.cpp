// The stop timer of --timeout.
#include "run_timeout.h"

#include <algorithm>
#include <charconv>

#include "engine/model/report.h"
#include "platform/exception.h"

namespace lf::cli {

double ParseTimeout(const std::string& text) {
  double seconds = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || !(seconds > 0) ||
      seconds > kMaxTimeoutSeconds)
    throw Exception("--timeout needs a number of seconds above 0 and at most " +
                    std::to_string(static_cast<long>(kMaxTimeoutSeconds)));
  return seconds;
}

RunTimeout::RunTimeout(TfrReport& report, double seconds) {
  if (seconds <= 0) return;
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, [this, &report] {
    expired_ = true;
    report.StopRequested = true;
  });
  timer_.start(static_cast<int>(std::min(seconds * 1000.0, 2147483647.0)));
}

}  // namespace lf::cli
