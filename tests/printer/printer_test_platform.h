// A stand-in for the print system in printer tests: printers with device
// modes whose measurements follow their paper and orientation at 600 dpi.
#pragma once

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "printer/paper_table.h"
#include "printer/printer_platform.h"

namespace lf::test {

struct StubPrinter {
  std::string name;
  std::optional<TDevMode> mode;
  std::vector<TPrinterChoice> papers;
  std::vector<TPrinterChoice> sources;
};

inline TDevMode StubMode(int16_t paper, int16_t orientation = dmOrientPortrait) {
  TDevMode m;
  m.Fields = dmOrientationField | dmPaperSizeField | dmCopiesField | dmDefaultSourceField;
  m.PaperSize = paper;
  m.Orientation = orientation;
  m.DefaultSource = 7;
  m.Copies = 3;
  return m;
}

class StubPlatform : public TPlatformPrinter {
 public:
  static constexpr int kDpi = 600;
  static constexpr int kBorderPx = 100;

  std::vector<StubPrinter> printers;
  int index = 0;
  bool printing = false;
  bool failCaps = false;
  int setIndexCalls = 0;
  std::vector<std::optional<TDevMode>> setCalls;  // device modes handed over (none = reload)

  std::vector<std::string> Printers() override {
    std::vector<std::string> n;
    for (const auto& p : printers) n.push_back(p.name);
    return n;
  }
  int PrinterIndex() override { return index; }
  void SetPrinterIndex(int i) override {
    ++setIndexCalls;
    index = i;
  }
  void GetPrinter(std::string& device, std::string& driver, std::string& port,
                  std::optional<TDevMode>& devMode) override {
    device = printers[index].name;
    driver = "stub driver";
    port = "stub port";
    devMode = printers[index].mode;
  }
  void SetPrinter(const std::string&, const std::string&, const std::string&,
                  const TDevMode* devMode) override {
    setCalls.push_back(devMode ? std::optional<TDevMode>(*devMode) : std::nullopt);
    if (devMode && printers[index].mode) printers[index].mode = *devMode;
  }
  TDeviceCaps DeviceCaps() override {
    if (failCaps) throw std::runtime_error("device gone");
    TDeviceCaps c;
    const TDevMode& m = *printers[index].mode;
    int w = 2100, h = 2970;
    if (m.PaperSize == kPaperCustom) {
      w = m.PaperWidth;
      h = m.PaperLength;
    } else if (int row = FindPaperRow(m.PaperSize); row >= 0) {
      w = PaperTable()[row].Width;
      h = PaperTable()[row].Height;
    }
    if (m.Orientation == dmOrientLandscape) std::swap(w, h);
    c.LogPixelsX = c.LogPixelsY = kDpi;
    c.PhysicalWidth = static_cast<int>(std::lround(w * kDpi / 254.0));
    c.PhysicalHeight = static_cast<int>(std::lround(h * kDpi / 254.0));
    c.PhysicalOffsetX = c.PhysicalOffsetY = kBorderPx;
    c.HorzRes = c.PhysicalWidth - 2 * kBorderPx;
    c.VertRes = c.PhysicalHeight - 2 * kBorderPx;
    return c;
  }
  std::vector<TPrinterChoice> Papers() override { return printers[index].papers; }
  std::vector<TPrinterChoice> Sources() override { return printers[index].sources; }
  bool Printing() override { return printing; }
};

// Two usable printers ("Office" with A4/Letter and two trays, "Plotter" in
// landscape A3) with the second selected, plus one without a device mode.
inline void AddStandardPrinters(StubPlatform& p) {
  p.printers.push_back({"Office", StubMode(9), {{9, "A4"}, {1, "Letter"}},
                        {{15, "Tray 1"}, {16, "Tray 2"}}});
  p.printers.push_back({"Plotter", StubMode(8, dmOrientLandscape), {{8, "A3"}}, {}});
  p.printers.push_back({"Broken", std::nullopt, {}, {}});
  p.index = 1;
}

}  // namespace lf::test
