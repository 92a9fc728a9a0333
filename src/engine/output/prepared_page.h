// TPreparedPage: one output page of a prepared report: its paper, its object
// records as bytes and, while it is drawn, the objects rebuilt from them.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/model/page.h"
#include "engine/model/view.h"
#include "platform/stream.h"
#include "printer/printer_metrics.h"

namespace lf {

struct TPreparedPage {
  TfrRect Bounds;                  // screen pixels; laid out by the preview
  uint16_t PaperCode = 0;          // 256: custom size
  int32_t WidthDmm = 0;            // tenths of a millimetre
  int32_t HeightDmm = 0;
  uint8_t Landscape = 0;           // 0 portrait, 1 landscape
  int32_t PaperSource = 0;         // bin code; -1 any
  uint8_t SheetCoordinates = 0;    // nonzero: objects are placed on the whole sheet
  TfrPageMargins Margins;          // page units
  TPrinterMetrics Metrics;         // the paper on the printer current at making or loading
  bool Shown = false;              // to be drawn now; otherwise drawing releases Page
  std::unique_ptr<TMemoryStream> Stream;  // version byte, then object records; null while spilled
  int64_t SpillOffset = -1;        // where the stream lies in the list's spill file; -1 in memory
  int64_t SpillSize = 0;           // its bytes there
  std::unique_ptr<TfrPage> Page;   // the objects while materialized
};

}  // namespace lf
