// The platform's printers as the printer layer sees them: a printer list with
// a selection, a device-mode block per selected printer, device capabilities
// and device measurements. The system implementation talks to the print
// system through libcups.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/stream.h"

namespace lf {

class EPrinterError : public Exception {
 public:
  using Exception::Exception;
};

// Bits of TDevMode::Fields: which fields the driver declares.
inline constexpr uint32_t dmOrientationField = 0x00000001;
inline constexpr uint32_t dmPaperSizeField = 0x00000002;
inline constexpr uint32_t dmPaperLengthField = 0x00000004;
inline constexpr uint32_t dmPaperWidthField = 0x00000008;
inline constexpr uint32_t dmCopiesField = 0x00000100;
inline constexpr uint32_t dmDefaultSourceField = 0x00000200;

inline constexpr int16_t dmOrientPortrait = 1;
inline constexpr int16_t dmOrientLandscape = 2;

// The settings block of one printer (paper, orientation, copies, source).
struct TDevMode {
  uint32_t Fields = 0;
  int16_t Orientation = dmOrientPortrait;
  int16_t PaperSize = 0;     // paper code; 256 custom
  int16_t PaperLength = 0;   // custom height, tenths of a millimetre
  int16_t PaperWidth = 0;    // custom width, tenths of a millimetre
  int16_t Copies = 1;
  int16_t DefaultSource = 0; // paper-source code

  bool operator==(const TDevMode&) const = default;
};

// Measurements of the selected printer with its current settings, in device
// pixels (sizes and offsets follow the current orientation).
struct TDeviceCaps {
  int32_t LogPixelsX = 0;        // pixels per inch
  int32_t LogPixelsY = 0;
  int32_t PhysicalWidth = 0;     // whole sheet
  int32_t PhysicalHeight = 0;
  int32_t PhysicalOffsetX = 0;   // unprintable left/top border
  int32_t PhysicalOffsetY = 0;
  int32_t HorzRes = 0;           // printable area
  int32_t VertRes = 0;
};

// One paper or paper source a printer offers; names in the host code page.
struct TPrinterChoice {
  int16_t Code = 0;
  std::string Name;
};

// One print job being handed to the print system: its document (a PDF) is
// written to this stream and goes to the printer as it is written. A
// document destroyed without Finish or Abort is cancelled.
class TPrintDocument : public TStream {
 public:
  // The print system's number of the job.
  virtual int JobId() const = 0;
  // Ends the document; the job then prints. Raises EPrinterError with the
  // print system's message when the job is refused.
  virtual void Finish() = 0;
  // Stops sending and cancels the job at the print system; what was sent
  // before is not printed.
  virtual void Abort() = 0;

  size_t Read(void*, size_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t) override {}

 protected:
  int64_t written_ = 0;  // bytes written so far
};

// The platform printer object. Names are in the host code page.
class TPlatformPrinter {
 public:
  virtual ~TPlatformPrinter() = default;

  // Reads the installed printers again (printers may have come or gone);
  // the selection stays on the same printer while it is there.
  virtual void ReloadPrinters() {}
  // Installed printers in the platform's order.
  virtual std::vector<std::string> Printers() = 0;
  // Index of the selected printer in Printers(), -1 when none.
  virtual int PrinterIndex() = 0;
  virtual void SetPrinterIndex(int index) = 0;

  // The selected printer's device, driver and port names and its device
  // mode (none when the printer has no usable one).
  virtual void GetPrinter(std::string& device, std::string& driver, std::string& port,
                          std::optional<TDevMode>& devMode) = 0;
  // Sets the selected printer's names and device mode; without a device mode
  // the platform loads a fresh one from the driver's defaults.
  virtual void SetPrinter(const std::string& device, const std::string& driver,
                          const std::string& port, const TDevMode* devMode) = 0;

  // Capabilities of the selected printer.
  virtual TDeviceCaps DeviceCaps() = 0;
  virtual std::vector<TPrinterChoice> Papers() = 0;
  virtual std::vector<TPrinterChoice> Sources() = 0;

  // True while a document is being printed.
  virtual bool Printing() = 0;

  // Starts a job on the selected printer with its current device mode
  // (paper, orientation), named title, the print system printing copies
  // copies of the document. Raises EPrinterError when the printer cannot
  // print.
  virtual std::unique_ptr<TPrintDocument> StartDocument(const std::string& title, int copies);
};

// The print system's printers (libcups). On a machine without
// printers the list is empty.
std::unique_ptr<TPlatformPrinter> CreateSystemPrinter();

}  // namespace lf
