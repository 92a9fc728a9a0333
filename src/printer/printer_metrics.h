// Page units and the measurements of one paper on one printer.
#pragma once

#include <cstdint>

namespace lf {

// Page units per inch: object rectangles, margins and band geometry are in
// page units; paper sizes are in tenths of a millimetre (254 per inch).
inline constexpr double PageUnitsPerInch = 93.0 / 1.015;
inline constexpr int kDmmPerInch = 254;

// Nearest integer, halves to even (the rounding of every unit conversion),
// saturated to the 32-bit range.
int32_t RoundToNearestEven(double value);

// Tenths of a millimetre to page units and back.
int32_t DmmToPageUnits(double dmm);
int32_t PageUnitsToDmm(double units);

// One paper on one printer, as ComputeMetrics fills it. Dev* fields are in
// device pixels, the others in page units.
struct TPrinterMetrics {
  int32_t DevSheetWidth = 0;   // physical sheet
  int32_t DevSheetHeight = 0;
  int32_t SheetWidth = 0;
  int32_t SheetHeight = 0;
  int32_t DevOffsetX = 0;      // left/top unprintable border
  int32_t DevOffsetY = 0;
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  int32_t DevPrintWidth = 0;   // printable area
  int32_t DevPrintHeight = 0;
  int32_t PrintWidth = 0;
  int32_t PrintHeight = 0;

  bool operator==(const TPrinterMetrics&) const = default;
};

}  // namespace lf
