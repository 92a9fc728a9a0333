// Unit conversions between tenths of a millimetre and page units.
#include "printer/printer_metrics.h"

#include <cmath>
#include <limits>

namespace lf {

int32_t RoundToNearestEven(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (value >= kMax) return std::numeric_limits<int32_t>::max();
  if (value <= kMin) return std::numeric_limits<int32_t>::min();
  double floor = std::floor(value);
  double diff = value - floor;
  if (diff > 0.5) return static_cast<int32_t>(floor + 1);
  if (diff < 0.5) return static_cast<int32_t>(floor);
  auto f = static_cast<int64_t>(floor);
  return static_cast<int32_t>(f % 2 == 0 ? f : f + 1);
}

int32_t DmmToPageUnits(double dmm) { return RoundToNearestEven(dmm * PageUnitsPerInch / kDmmPerInch); }

int32_t PageUnitsToDmm(double units) { return RoundToNearestEven(units * kDmmPerInch / PageUnitsPerInch); }

}  // namespace lf
