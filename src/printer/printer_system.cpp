// The print system's printers through libcups: printer list, the default
// printer, media sizes mapped to paper codes, and measurements at the
// printer's resolution for the current paper and orientation.
#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>

#include "platform/code_page.h"
#include "printer/paper_table.h"
#include "printer/print_document.h"
#include "printer/printer_metrics.h"
#include "printer/printer_platform.h"

namespace lf {
namespace {

// Resolution assumed when the printer does not state its default one.
constexpr int32_t kFallbackDpi = 600;
// A print-system medium matches a table paper when both sides agree within
// this many tenths of a millimetre (media sizes are rounded to points).
constexpr int32_t kPaperMatchDmm = 2;
// Sizes a printer lists; further media are ignored.
constexpr int kMaxMedia = 512;

// Paper code of a portrait size in tenths of a millimetre; 0 when the table
// holds none of that size.
int32_t PaperCodeOfSize(int32_t widthDmm, int32_t heightDmm) {
  for (const TPaperInfo& row : PaperTable()) {
    if (row.Code == kPaperCustom) continue;
    if (std::abs(row.Width - widthDmm) <= kPaperMatchDmm &&
        std::abs(row.Height - heightDmm) <= kPaperMatchDmm)
      return row.Code;
  }
  return 0;
}

int32_t PixelsOfHmm(int hmm, int32_t dpi) { return RoundToNearestEven(hmm / 2540.0 * dpi); }

// The print system's destination list; freed with the object.
class TDestList {
 public:
  TDestList() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~TDestList() { cupsFreeDests(count_, dests_); }
  TDestList(const TDestList&) = delete;
  TDestList& operator=(const TDestList&) = delete;
  int Count() const { return count_; }
  cups_dest_t* At(int i) const { return dests_ + i; }

 private:
  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

// A destination's media information; freed with the object.
class TDestInfo {
 public:
  explicit TDestInfo(cups_dest_t* dest) : info_(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {}
  ~TDestInfo() { cupsFreeDestInfo(info_); }
  TDestInfo(const TDestInfo&) = delete;
  TDestInfo& operator=(const TDestInfo&) = delete;
  cups_dinfo_t* Get() const { return info_; }

 private:
  cups_dinfo_t* info_;
};

class CupsSystemPrinter : public TPlatformPrinter {
 public:
  CupsSystemPrinter() { ReloadPrinters(); }

  void ReloadPrinters() override {
    const std::string selected =
        index_ >= 0 && index_ < static_cast<int>(names_.size()) ? names_[static_cast<size_t>(index_)] : "";
    dests_ = std::make_unique<TDestList>();
    names_.clear();
    index_ = -1;
    int defaultIndex = -1;
    for (int i = 0; i < dests_->Count(); ++i) {
      const cups_dest_t* d = dests_->At(i);
      std::string name = d->name ? d->name : "";
      if (d->instance) name += std::string("/") + d->instance;
      names_.push_back(Utf8ToHost(name));
      if (d->is_default) defaultIndex = i;
      if (!selected.empty() && names_.back() == selected) index_ = i;
    }
    if (names_.empty()) {
      LoadDefaults();
      return;
    }
    if (index_ < 0) index_ = defaultIndex >= 0 ? defaultIndex : 0;
    if (names_[static_cast<size_t>(index_)] != selected) LoadDefaults();
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
  bool Printing() override { return printing_; }

  std::unique_ptr<TPrintDocument> StartDocument(const std::string& title, int copies) override {
    cups_dest_t* dest = Dest();
    if (!dest || !devMode_) throw EPrinterError("No printer is selected");
    TPrintJobSettings settings;
    settings.Title = title;
    settings.Copies = copies;
    settings.Media = MediaName(devMode_->PaperSize, devMode_->PaperWidth, devMode_->PaperLength);
    settings.Landscape = devMode_->Orientation == dmOrientLandscape;
    return StartCupsDocument(*dest, settings, printing_);
  }

 private:
  cups_dest_t* Dest() const {
    return index_ >= 0 && index_ < dests_->Count() ? dests_->At(index_) : nullptr;
  }

  // Reads the selected printer's names, papers and default settings.
  void LoadDefaults() {
    devMode_.reset();
    papers_.clear();
    sources_.clear();
    media_.clear();
    caps_ = TDeviceCaps{};
    dpi_ = kFallbackDpi;
    cups_dest_t* dest = Dest();
    if (!dest) return;
    device_ = names_[static_cast<size_t>(index_)];
    const char* model = cupsGetOption("printer-make-and-model", dest->num_options, dest->options);
    const char* location = cupsGetOption("printer-location", dest->num_options, dest->options);
    driver_ = model ? Utf8ToHost(model) : std::string();
    port_ = location ? Utf8ToHost(location) : std::string();

    TDestInfo info(dest);
    if (!info.Get()) return;
    if (ipp_attribute_t* res =
            cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info.Get(), "printer-resolution")) {
      ipp_res_t units;
      int y = 0;
      int x = ippGetResolution(res, 0, &y, &units);
      if (units == IPP_RES_PER_CM) x = RoundToNearestEven(x * 2.54);
      if (x > 0) dpi_ = x;
    }
    const int count = std::min(
        cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info.Get(), CUPS_MEDIA_FLAGS_DEFAULT),
        kMaxMedia);
    for (int i = 0; i < count; ++i) {
      cups_size_t size{};
      if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info.Get(), i,
                                   CUPS_MEDIA_FLAGS_DEFAULT, &size))
        continue;
      media_.push_back(size);
      const int32_t code = PaperCodeOfSize(size.width / 10, size.length / 10);
      if (code == 0) continue;  // sizes without a paper code cannot be asked for by code
      bool seen = false;
      for (const auto& p : papers_) seen = seen || p.Code == code;
      if (!seen) papers_.push_back({static_cast<int16_t>(code), Utf8ToHost(PaperCodeName(code))});
    }

    TDevMode mode;
    mode.Fields = dmOrientationField | dmPaperSizeField | dmCopiesField | dmDefaultSourceField;
    cups_size_t def{};
    const bool hasDefault = cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info.Get(),
                                                    CUPS_MEDIA_FLAGS_DEFAULT, &def) != 0;
    int32_t code = hasDefault ? PaperCodeOfSize(def.width / 10, def.length / 10) : kPaperA4;
    if (code == 0) {
      code = kPaperCustom;
      mode.PaperWidth = static_cast<int16_t>(def.width / 10);
      mode.PaperLength = static_cast<int16_t>(def.length / 10);
      mode.Fields |= dmPaperWidthField | dmPaperLengthField;
    }
    mode.PaperSize = static_cast<int16_t>(code);
    mode.DefaultSource = static_cast<int16_t>(7);  // automatic selection
    devMode_ = mode;
    Measure();
  }

  // Measures the current settings: the sheet from the paper code (or the
  // custom size), the unprintable borders from the printer's medium of that
  // size.
  void Measure() {
    caps_ = TDeviceCaps{};
    if (!devMode_ || !Dest()) return;
    const TDevMode& m = *devMode_;
    int32_t widthDmm = 0, heightDmm = 0;
    const int row = m.PaperSize == kPaperCustom ? -1 : FindPaperRow(m.PaperSize);
    if (row >= 0) {
      widthDmm = PaperTable()[static_cast<size_t>(row)].Width;
      heightDmm = PaperTable()[static_cast<size_t>(row)].Height;
    } else {
      widthDmm = m.PaperWidth;
      heightDmm = m.PaperLength;
    }
    if (widthDmm <= 0 || heightDmm <= 0) return;
    // Margins in hundredths of a millimetre, portrait.
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const cups_size_t& s : media_)
      if (std::abs(s.width / 10 - widthDmm) <= kPaperMatchDmm &&
          std::abs(s.length / 10 - heightDmm) <= kPaperMatchDmm) {
        left = s.left;
        top = s.top;
        right = s.right;
        bottom = s.bottom;
        break;
      }
    int w = widthDmm * 10, h = heightDmm * 10;
    if (m.Orientation == dmOrientLandscape) {
      // Turned a quarter anticlockwise: the portrait left border is at the bottom.
      std::swap(w, h);
      const int l = left, t = top, r = right, b = bottom;
      left = t;
      top = r;
      right = b;
      bottom = l;
    }
    caps_.LogPixelsX = caps_.LogPixelsY = dpi_;
    caps_.PhysicalWidth = PixelsOfHmm(w, dpi_);
    caps_.PhysicalHeight = PixelsOfHmm(h, dpi_);
    caps_.PhysicalOffsetX = PixelsOfHmm(left, dpi_);
    caps_.PhysicalOffsetY = PixelsOfHmm(top, dpi_);
    caps_.HorzRes = PixelsOfHmm(w - left - right, dpi_);
    caps_.VertRes = PixelsOfHmm(h - top - bottom, dpi_);
  }

  std::unique_ptr<TDestList> dests_;
  std::vector<std::string> names_;
  int index_ = -1;
  std::string device_, driver_, port_;
  std::optional<TDevMode> devMode_;
  TDeviceCaps caps_;
  int32_t dpi_ = kFallbackDpi;
  std::vector<cups_size_t> media_;  // of the selected printer
  std::vector<TPrinterChoice> papers_, sources_;
  bool printing_ = false;  // a document of this printer is open
};

}  // namespace

std::unique_ptr<TPlatformPrinter> CreateSystemPrinter() {
  return std::make_unique<CupsSystemPrinter>();
}

}  // namespace lf
