// The printer object: printer list with the virtual printer, paper
// selection and measurement, and the printer layer's start-up.
#include "printer/printer.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/code_page.h"

namespace lf {
namespace {

std::string Cut(const std::string& text, size_t maxBytes) {
  return std::string(CutAtBoundary(text, maxBytes));
}

int16_t ToInt16(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

bool AnySource(int32_t source) { return (source & 0xFFFF) == 0xFFFF; }

}  // namespace

TfrPrinter::TfrPrinter() {
  PrinterNames.push_back(kVirtualPrinterName);
  PaperTable();  // loads the paper names
}

const std::string& TfrPrinter::CurrentName() const {
  static const std::string empty;
  if (CurrentIndex < 0 || CurrentIndex >= static_cast<int32_t>(PrinterNames.size())) return empty;
  return PrinterNames[CurrentIndex];
}

int TfrPrinter::IndexOfPrinter(const std::string& name) const {
  for (size_t i = 0; i < PrinterNames.size(); ++i)
    if (SameTextAscii(PrinterNames[i], name)) return static_cast<int>(i);
  return -1;
}

int TfrPrinter::IndexOfPaper(int32_t code) const {
  for (int i = 0; i < PaperCount; ++i)
    if (PaperCodes[i] == code) return i;
  return -1;
}

void TfrPrinter::AttachPlatformPrinter(TPlatformPrinter* platform) {
  PrinterNames.clear();
  CurrentIndex = 0;
  PlatformPrinter = platform;
  bool hasPrinters = false;
  if (platform) {
    platform->ReloadPrinters();
    std::vector<std::string> names = platform->Printers();
    if (!names.empty()) {
      hasPrinters = true;
      PrinterNames = std::move(names);
      int index = platform->PrinterIndex();
      if (index < 0 || index >= static_cast<int>(PrinterNames.size())) {
        index = 0;
        platform->SetPrinterIndex(0);
      }
      CurrentIndex = index;
    }
  }
  PrinterNames.push_back(kVirtualPrinterName);
  VirtualIndex = static_cast<int32_t>(PrinterNames.size()) - 1;
  if (!hasPrinters) {
    DevMode.reset();
    DeviceName.clear();
    DriverName.clear();
    PortName.clear();
    ApplySettings();
  } else {
    ReadCapabilities();
  }
}

void TfrPrinter::SelectPrinter(int index) {
  if (index == CurrentIndex) return;
  if (index < 0 || index >= static_cast<int>(PrinterNames.size()))
    throw EPrinterError("Printer index " + std::to_string(index) + " is out of range");
  CurrentIndex = index;
  if (IsVirtual()) {
    DevMode.reset();
    DeviceName.clear();
    DriverName.clear();
    PortName.clear();
    ApplySettings();
    return;
  }
  if (PlatformPrinter && !PlatformPrinter->Printers().empty()) {
    PlatformPrinter->SetPrinterIndex(index);
    FetchPrinter();
    // Without a device mode the platform loads the driver's defaults afresh.
    PlatformPrinter->SetPrinter(DeviceName, DriverName, PortName, nullptr);
    ReadCapabilities();
  }
}

void TfrPrinter::FetchPrinter() {
  std::string device, driver, port;
  std::optional<TDevMode> mode;
  PlatformPrinter->GetPrinter(device, driver, port, mode);
  if (!mode) PlatformPrinter->GetPrinter(device, driver, port, mode);
  DeviceName = Cut(device, kPrinterNameBytes);
  DriverName = Cut(driver, kPrinterNameBytes);
  PortName = Cut(port, kPrinterNameBytes);
  DevMode = mode;
}

void TfrPrinter::ReadCapabilities() {
  if (IsVirtual() || !PlatformPrinter) {
    if (!IsVirtual()) SelectPrinter(VirtualIndex);
    else ApplySettings();
    return;
  }
  try {
    FetchPrinter();
    if (!DevMode) throw EPrinterError("The printer has no device mode");
    const TDevMode& mode = *DevMode;
    TDeviceCaps caps = PlatformPrinter->DeviceCaps();
    if (caps.LogPixelsX <= 0 || caps.LogPixelsY <= 0)
      throw EPrinterError("The printer reports no resolution");
    PaperCode = mode.PaperSize;
    WidthDmm = RoundToNearestEven(static_cast<double>(caps.PhysicalWidth) / caps.LogPixelsX * kDmmPerInch);
    HeightDmm = RoundToNearestEven(static_cast<double>(caps.PhysicalHeight) / caps.LogPixelsY * kDmmPerInch);

    std::vector<TPrinterChoice> papers = PlatformPrinter->Papers();
    PaperCodes.fill(0);
    PaperCount = static_cast<int32_t>(std::min<size_t>(papers.size(), kMaxPrinterPapers));
    PaperNameList.clear();
    for (int i = 0; i < PaperCount; ++i) {
      PaperCodes[i] = papers[i].Code;
      PaperNameList.push_back(Cut(papers[i].Name, kPaperNameChars));
    }

    PaperSource = mode.DefaultSource;
    std::vector<TPrinterChoice> sources = PlatformPrinter->Sources();
    SourceCodes.fill(0);
    SourceCodes[0] = static_cast<int16_t>(kAnySource);
    size_t n = std::min<size_t>(sources.size(), kMaxPrinterSources - 1);
    SourceNameList.assign(1, kDefaultSourceName);
    for (size_t i = 0; i < n; ++i) {
      SourceCodes[i + 1] = sources[i].Code;
      SourceNameList.push_back(Cut(sources[i].Name, kSourceNameChars));
    }
    SourceCount = static_cast<int32_t>(n) + 1;
    Landscape = mode.Orientation != dmOrientPortrait;
  } catch (...) {
    // Any printer that cannot be read is replaced by the virtual printer.
    SelectPrinter(VirtualIndex);
  }
}

void TfrPrinter::UseVirtualPapers() {
  const auto& table = PaperTable();
  PaperNameList.clear();
  PaperCodes.fill(0);
  for (int i = 0; i < kPaperTableRows; ++i) {
    PaperNameList.push_back(table[i].Name);
    PaperCodes[i] = static_cast<int16_t>(table[i].Code);
  }
  PaperCount = kPaperTableRows;
  SourceNameList.assign(1, kDefaultSourceName);
  SourceCodes.fill(0);
  SourceCodes[0] = static_cast<int16_t>(kAnySource);
  SourceCount = 1;
}

void TfrPrinter::ApplySettings() {
  if (IsVirtual() || !PlatformPrinter) {
    UseVirtualPapers();
    int row = PaperCode == kPaperCustom ? -1 : FindPaperRow(PaperCode);
    // A code the table does not know (such as the "no paper" default of a
    // machine without printers) asked for without a size would give an empty
    // sheet; it is laid out on A4 instead.
    if (row < 0 && PaperCode != kPaperCustom && (WidthDmm <= 0 || HeightDmm <= 0))
      row = FindPaperRow(kPaperA4);
    if (row >= 0) {
      const TPaperInfo& p = PaperTable()[row];
      WidthDmm = Landscape ? p.Height : p.Width;
      HeightDmm = Landscape ? p.Width : p.Height;
    }
    return;
  }
  try {
    FetchPrinter();
  } catch (...) {
    SelectPrinter(VirtualIndex);
    return;
  }
  if (!DevMode) {
    ReadCapabilities();  // falls back to the virtual printer
    return;
  }
  TDevMode mode = *DevMode;
  if (PaperCode == kPaperCustom) {
    mode.Fields |= dmPaperLengthField | dmPaperWidthField;
    mode.PaperLength = ToInt16(HeightDmm);
    mode.PaperWidth = ToInt16(WidthDmm);
  } else {
    mode.Fields &= ~(dmPaperLengthField | dmPaperWidthField);
  }
  if (mode.Fields & dmPaperSizeField) mode.PaperSize = ToInt16(PaperCode);
  if (mode.Fields & dmOrientationField)
    mode.Orientation = Landscape ? dmOrientLandscape : dmOrientPortrait;
  if (mode.Fields & dmCopiesField) mode.Copies = 1;
  if ((mode.Fields & dmDefaultSourceField) && !AnySource(PaperSource))
    mode.DefaultSource = ToInt16(PaperSource);
  try {
    PlatformPrinter->SetPrinter(DeviceName, DriverName, PortName, &mode);
  } catch (...) {
    SelectPrinter(VirtualIndex);
    return;
  }
  ReadCapabilities();
}

void TfrPrinter::ComputeMetrics(TPrinterMetrics& m) {
  const double k = PageUnitsPerInch;
  if (!IsVirtual() && PlatformPrinter) {
    TDeviceCaps caps;
    bool ok = true;
    try {
      caps = PlatformPrinter->DeviceCaps();
      ok = caps.LogPixelsX > 0 && caps.LogPixelsY > 0;
    } catch (...) {
      ok = false;
    }
    if (ok) {
      double kx = k / caps.LogPixelsX, ky = k / caps.LogPixelsY;
      m.DevSheetWidth = caps.PhysicalWidth;
      m.SheetWidth = RoundToNearestEven(caps.PhysicalWidth * kx);
      m.DevSheetHeight = caps.PhysicalHeight;
      m.SheetHeight = RoundToNearestEven(caps.PhysicalHeight * ky);
      m.DevOffsetX = caps.PhysicalOffsetX;
      m.OffsetX = RoundToNearestEven(caps.PhysicalOffsetX * kx);
      m.DevOffsetY = caps.PhysicalOffsetY;
      m.OffsetY = RoundToNearestEven(caps.PhysicalOffsetY * ky);
      m.DevPrintWidth = caps.HorzRes;
      m.PrintWidth = RoundToNearestEven(caps.HorzRes * kx);
      m.DevPrintHeight = caps.VertRes;
      m.PrintHeight = RoundToNearestEven(caps.VertRes * ky);
      return;
    }
    // A printer that cannot be measured is replaced by the virtual printer.
    SelectPrinter(VirtualIndex);
  }
  m.SheetWidth = RoundToNearestEven(WidthDmm * k / kDmmPerInch);
  m.SheetHeight = RoundToNearestEven(HeightDmm * k / kDmmPerInch);
  m.OffsetX = m.OffsetY = RoundToNearestEven(kVirtualBorderDmm * k / kDmmPerInch);
  m.PrintWidth = m.SheetWidth - 2 * m.OffsetX;
  m.PrintHeight = m.SheetHeight - 2 * m.OffsetY;
}

TPrinterMetrics TfrPrinter::Metrics() {
  TPrinterMetrics m;
  ComputeMetrics(m);
  return m;
}

bool TfrPrinter::Matches(int32_t code, int32_t widthDmm, int32_t heightDmm, int32_t source,
                         bool landscape) const {
  if (code == kPaperCustom && code == PaperCode)
    return std::abs(int64_t{widthDmm} - WidthDmm) <= 1 && std::abs(int64_t{heightDmm} - HeightDmm) <= 1 &&
           landscape == Landscape;
  return code == PaperCode && landscape == Landscape &&
         (source == PaperSource || AnySource(source));
}

void TfrPrinter::SelectPaper(int32_t code, int32_t widthDmm, int32_t heightDmm, int32_t source,
                             bool landscape, bool force) {
  if (PlatformPrinter && PlatformPrinter->Printing()) return;
  if (!force && Matches(code, widthDmm, heightDmm, source, landscape)) return;
  PaperCode = code;
  WidthDmm = widthDmm;
  HeightDmm = heightDmm;
  PaperSource = source;
  Landscape = landscape;
  ApplySettings();
}

// ---- start-up -------------------------------------------------------------

namespace {

struct PrinterLayer {
  std::unique_ptr<TPlatformPrinter> platform;  // destroyed after printer
  std::unique_ptr<TfrPrinter> printer;
  bool ready = false;
  int32_t defaultPaper = kNoPaper;
};

PrinterLayer& Layer() {
  static PrinterLayer layer;
  return layer;
}

}  // namespace

int32_t InitializePrinter(TfrPrinter& printer, TPlatformPrinter* platform) {
  try {
    printer.AttachPlatformPrinter(platform);
    if (!printer.DevMode) {
      printer.SelectPrinter(printer.VirtualIndex);
      printer.PaperCode = kNoPaper;
    }
  } catch (...) {
    // Start-up never fails: whatever went wrong, the virtual printer serves.
    try {
      printer.SelectPrinter(printer.VirtualIndex);
    } catch (...) {
    }
    printer.PaperCode = kNoPaper;
  }
  return printer.PaperCode;
}

void StartPrinterLayer() {
  PrinterLayer& l = Layer();
  if (l.ready) return;
  l.printer = std::make_unique<TfrPrinter>();
  try {
    l.platform = CreateSystemPrinter();
  } catch (...) {
    l.platform.reset();
  }
  l.defaultPaper = InitializePrinter(*l.printer, l.platform.get());
  l.ready = true;
}

void ReloadPrinterLayer() {
  PrinterLayer& l = Layer();
  if (!l.ready) {
    StartPrinterLayer();
    return;
  }
  l.defaultPaper = InitializePrinter(*l.printer, l.platform.get());
}

TfrPrinter& SharedPrinter() {
  if (!Layer().ready) StartPrinterLayer();
  return *Layer().printer;
}

bool PrinterReady() { return Layer().ready; }

int32_t DefaultPaperCode() { return Layer().defaultPaper; }

}  // namespace lf
