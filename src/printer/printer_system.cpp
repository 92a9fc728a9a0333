// The print system's printers through Qt Print Support: printer list, the
// default printer, page sizes mapped to paper codes, and measurements at the
// printer's resolution for the current paper and orientation.
#include <QCoreApplication>
#include <algorithm>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/code_page.h"
#include "printer/paper_table.h"
#include "printer/printer_metrics.h"
#include "printer/printer_platform.h"

namespace lf {
namespace {

// Paper-source codes of the print system's sources (the platform's bin
// codes), in QPrinter::PaperSource order.
struct SourceCode {
  QPrinter::PaperSource source;
  int16_t code;
};
constexpr SourceCode kSourceCodes[] = {
    {QPrinter::OnlyOne, 1},       {QPrinter::Lower, 2},          {QPrinter::Middle, 3},
    {QPrinter::Manual, 4},        {QPrinter::Envelope, 5},       {QPrinter::EnvelopeManual, 6},
    {QPrinter::Auto, 7},          {QPrinter::Tractor, 8},        {QPrinter::SmallFormat, 9},
    {QPrinter::LargeFormat, 10},  {QPrinter::LargeCapacity, 11}, {QPrinter::Cassette, 14},
    {QPrinter::FormSource, 15},
};

std::string ToHost(const QString& s) { return Utf8ToHost(s.toUtf8().toStdString()); }

class QtSystemPrinter : public TPlatformPrinter {
 public:
  QtSystemPrinter() {
    // Printer discovery needs the GUI application (its print-support plugin).
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    qnames_ = QPrinterInfo::availablePrinterNames();
    for (const QString& n : qnames_) names_.push_back(ToHost(n));
    if (qnames_.isEmpty()) return;
    index_ = static_cast<int>(qnames_.indexOf(QPrinterInfo::defaultPrinterName()));
    if (index_ < 0) index_ = 0;
    LoadDefaults();
  }

  std::vector<std::string> Printers() override { return names_; }
  int PrinterIndex() override { return index_; }

  void SetPrinterIndex(int index) override {
    if (index < 0 || index >= static_cast<int>(names_.size()) || index == index_) return;
    index_ = index;
    LoadDefaults();
  }

  void GetPrinter(std::string& device, std::string& driver, std::string& port,
                  std::optional<TDevMode>& devMode) override {
    device = device_;
    driver = driver_;
    port = port_;
    devMode = devMode_;
  }

  void SetPrinter(const std::string& device, const std::string& driver, const std::string& port,
                  const TDevMode* devMode) override {
    (void)driver;
    (void)port;
    int i = static_cast<int>(std::find(names_.begin(), names_.end(), device) - names_.begin());
    if (i < static_cast<int>(names_.size()) && i != index_) {
      index_ = i;
      LoadDefaults();
    }
    if (!devMode) {
      LoadDefaults();
      return;
    }
    if (!devMode_) return;
    devMode_ = *devMode;
    Measure();
  }

  TDeviceCaps DeviceCaps() override { return caps_; }
  std::vector<TPrinterChoice> Papers() override { return papers_; }
  std::vector<TPrinterChoice> Sources() override { return sources_; }
  bool Printing() override { return false; }

 private:
  // Reads the selected printer's names, papers and default settings.
  void LoadDefaults() {
    devMode_.reset();
    papers_.clear();
    sources_.clear();
    caps_ = TDeviceCaps{};
    if (index_ < 0 || index_ >= qnames_.size()) return;
    QPrinterInfo info = QPrinterInfo::printerInfo(qnames_[index_]);
    device_ = names_[index_];
    if (info.isNull()) return;
    driver_ = ToHost(info.makeAndModel());
    port_ = ToHost(info.location());
    for (const QPageSize& size : info.supportedPageSizes()) {
      int code = size.windowsId();
      if (code <= 0) continue;  // sizes without a paper code cannot be asked for by code
      bool seen = false;
      for (const auto& p : papers_) seen = seen || p.Code == code;
      if (!seen) papers_.push_back({static_cast<int16_t>(code), ToHost(size.name())});
    }
    TDevMode mode;
    mode.Fields = dmOrientationField | dmPaperSizeField | dmCopiesField | dmDefaultSourceField;
    QPageSize def = info.defaultPageSize();
    int code = def.isValid() ? def.windowsId() : 0;
    if (code <= 0) {
      code = kPaperCustom;
      QSizeF mm = def.isValid() ? def.size(QPageSize::Millimeter) : QSizeF(210, 297);
      mode.PaperWidth = static_cast<int16_t>(RoundToNearestEven(mm.width() * 10));
      mode.PaperLength = static_cast<int16_t>(RoundToNearestEven(mm.height() * 10));
      mode.Fields |= dmPaperWidthField | dmPaperLengthField;
    }
    mode.PaperSize = static_cast<int16_t>(code);
    mode.DefaultSource = static_cast<int16_t>(7);  // automatic selection
    devMode_ = mode;
    Measure();
  }

  // Measures the current settings on a printer object of the print system.
  void Measure() {
    caps_ = TDeviceCaps{};
    if (!devMode_) return;
    QPrinterInfo info = QPrinterInfo::printerInfo(qnames_[index_]);
    if (info.isNull()) return;
    QPrinter printer(info, QPrinter::HighResolution);
    const TDevMode& m = *devMode_;
    QPageSize size;
    if (m.PaperSize == kPaperCustom || QPageSize::id(m.PaperSize) == QPageSize::Custom) {
      if (m.PaperWidth > 0 && m.PaperLength > 0)
        size = QPageSize(QSizeF(m.PaperWidth / 10.0, m.PaperLength / 10.0), QPageSize::Millimeter);
    } else {
      size = QPageSize(QPageSize::id(m.PaperSize));
    }
    if (size.isValid()) printer.setPageSize(size);
    printer.setPageOrientation(m.Orientation == dmOrientLandscape ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait);
    for (const auto& s : kSourceCodes)
      if (s.code == m.DefaultSource) printer.setPaperSource(s.source);
    printer.setFullPage(false);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);  // the device minimum
    QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    QRectF page = printer.pageRect(QPrinter::DevicePixel);
    caps_.LogPixelsX = caps_.LogPixelsY = printer.resolution();
    caps_.PhysicalWidth = RoundToNearestEven(paper.width());
    caps_.PhysicalHeight = RoundToNearestEven(paper.height());
    caps_.PhysicalOffsetX = RoundToNearestEven(page.left() - paper.left());
    caps_.PhysicalOffsetY = RoundToNearestEven(page.top() - paper.top());
    caps_.HorzRes = RoundToNearestEven(page.width());
    caps_.VertRes = RoundToNearestEven(page.height());
  }

  QStringList qnames_;
  std::vector<std::string> names_;
  int index_ = -1;
  std::string device_, driver_, port_;
  std::optional<TDevMode> devMode_;
  TDeviceCaps caps_;
  std::vector<TPrinterChoice> papers_, sources_;
};

}  // namespace

std::unique_ptr<TPlatformPrinter> CreateSystemPrinter() {
  return std::make_unique<QtSystemPrinter>();
}

}  // namespace lf
