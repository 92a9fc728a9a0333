// The printer layer: the process-wide printer object (installed printers
// plus the virtual printer), paper selection and measurement.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "printer/paper_table.h"
#include "printer/printer_metrics.h"
#include "printer/printer_platform.h"

namespace lf {

inline constexpr int kPrinterNameBytes = 127;   // device, driver and port names are cut to this
inline constexpr int kMaxPrinterPapers = 256;   // capacity of PaperCodes
inline constexpr int kMaxPrinterSources = 256;  // capacity of SourceCodes, entry 0 included
inline constexpr int kPaperNameChars = 64;      // a printer's paper names are cut to this
inline constexpr int kSourceNameChars = 24;     // a printer's source names are cut to this
inline constexpr int32_t kVirtualBorderDmm = 50;  // unprintable border of the virtual printer
inline constexpr int32_t kAnySource = -1;       // paper source: the printer's default
inline constexpr int32_t kNoPaper = -1;         // paper code that matches nothing

// Name of the virtual printer, the last entry of PrinterNames.
inline constexpr const char* kVirtualPrinterName = "Virtual printer";
// First entry of SourceNameList: the printer's default source.
inline constexpr const char* kDefaultSourceName = "Default";

class TfrPrinter {
 public:
  // Creates the printer without a platform: only the virtual printer exists
  // (at index 0) until AttachPlatformPrinter; PaperCode is 9 (A4).
  TfrPrinter();

  // Selected platform printer (empty for the virtual printer).
  std::string DeviceName, DriverName, PortName;
  // The selected platform printer's device mode; none for the virtual printer.
  std::optional<TDevMode> DevMode;
  // The platform's printers; not owned, must outlive this object or be
  // detached with AttachPlatformPrinter(nullptr).
  TPlatformPrinter* PlatformPrinter = nullptr;

  std::vector<std::string> PaperNameList;   // papers of the selected printer
  std::vector<std::string> SourceNameList;  // its paper sources, default first
  std::vector<std::string> PrinterNames;    // platform printers, then the virtual printer
  int32_t CurrentIndex = 0;                 // selected entry of PrinterNames
  int32_t VirtualIndex = 0;                 // always the last entry
  bool Landscape = false;
  int32_t PaperCode = kPaperA4;             // kNoPaper forces the next selection
  int32_t WidthDmm = 0;                     // current paper, tenths of a millimetre
  int32_t HeightDmm = 0;
  int32_t PaperSource = kAnySource;
  std::array<int16_t, kMaxPrinterPapers> PaperCodes{};  // in PaperNameList order
  int32_t PaperCount = 0;
  std::array<int16_t, kMaxPrinterSources> SourceCodes{};  // entry 0 is -1
  int32_t SourceCount = 0;

  bool IsVirtual() const { return CurrentIndex == VirtualIndex; }
  // PrinterNames[CurrentIndex].
  const std::string& CurrentName() const;
  // Index of name in PrinterNames (ASCII case ignored), or -1.
  int IndexOfPrinter(const std::string& name) const;
  // Index of a paper code among the selected printer's papers, or -1.
  int IndexOfPaper(int32_t code) const;

  // Rebuilds PrinterNames from platform (null: none) and selects the
  // platform's current printer.
  void AttachPlatformPrinter(TPlatformPrinter* platform);
  // Selects an entry of PrinterNames; raises EPrinterError for an index
  // outside the list.
  void SelectPrinter(int index);
  // Reads paper, size, papers, sources and orientation from the selected
  // real printer; falls back to the virtual printer when it has no device
  // mode or reading fails.
  void ReadCapabilities();
  // Makes the current paper settings effective.
  void ApplySettings();
  // Measures the current paper on the selected printer. On the virtual
  // printer the device-pixel fields of m are left as they are.
  void ComputeMetrics(TPrinterMetrics& m);
  TPrinterMetrics Metrics();
  // Whether the printer already has this paper.
  bool Matches(int32_t code, int32_t widthDmm, int32_t heightDmm, int32_t source,
               bool landscape) const;
  // Changes the paper unless it already matches (or force); nothing while
  // the platform printer is printing.
  void SelectPaper(int32_t code, int32_t widthDmm, int32_t heightDmm, int32_t source,
                   bool landscape, bool force = false);
  void Refresh() { ReadCapabilities(); }

 private:
  void UseVirtualPapers();
  void FetchPrinter();
};

// The process-wide printer object. The first call starts the printer layer
// on the system's printers (see StartPrinterLayer).
TfrPrinter& SharedPrinter();

// Starts the printer layer once: creates SharedPrinter, attaches the system
// printers (any error swallowed; without a usable printer the virtual
// printer is selected and the default paper code is -1), remembers the
// default paper code and sets the printer-ready flag. Later calls do nothing.
void StartPrinterLayer();

// Attaches platform to printer inside a guard that swallows every error and
// falls back to the virtual printer with PaperCode -1 when no usable printer
// is selected; returns the default paper code.
int32_t InitializePrinter(TfrPrinter& printer, TPlatformPrinter* platform);

// Reads the print system's printers again as start-up does: the printer
// list, the selected printer and the default paper code of new pages (a
// layer started while the print system had no printer keeps -1 otherwise).
// Starts the layer when it has not started yet.
void ReloadPrinterLayer();

// Set once the printer layer has started.
bool PrinterReady();
// The selected printer's paper code at start, or -1 without a usable printer.
int32_t DefaultPaperCode();

}  // namespace lf
