// TfrPage: a template page (paper, margins, columns, objects; dialog-page
// window settings; run-time bands) and TfrPages, the report's page list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/band_kind.h"
#include "engine/model/object.h"
#include "engine/model/text_lines.h"
#include "engine/model/view.h"
#include "printer/printer_metrics.h"

namespace lf {

class TfrBand;
class TfrReport;
class TfrDialogForm;

// PaperSource of a page that takes the printer's default bin.
inline constexpr int32_t kDefaultBin = 0xFFFF;
// Largest paper side a custom size holds, tenths of a millimetre.
inline constexpr int32_t kMaxPaperDmm = 32767;

enum TfrPageType : uint8_t { ptReport = 0, ptDialog = 1 };
// Dialog page frame kinds and window positions.
inline constexpr uint8_t bsSizeable = 2;
inline constexpr uint8_t bsDialog = 3;
inline constexpr uint8_t poDesigned = 0;
inline constexpr uint8_t poScreenCenter = 4;

// Page margins in page units; 0 means the printer's unprintable offset.
struct TfrPageMargins {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TfrPageMargins&) const = default;
};

// One recorded band action of a sub-report page.
struct TfrPlayEntry {
  TfrBand* Band = nullptr;
  int32_t Action = 0;  // kActionPrint, kActionStart or kActionNext
};
inline constexpr int32_t kActionPrint = 0;
inline constexpr int32_t kActionStart = 1;
inline constexpr int32_t kActionNext = 2;

// How the page being formed counts as fresh: at a place where a band that
// does not fit gains nothing from a new page.
enum class TfrFreshness : uint8_t {
  UpToFreshY,  // while CurY is at most FreshY (the top of the page or column)
  HeadBands,   // always: the head bands of a new page or column are printing
  NotStarted,  // never: a sub-report page before its parent started a page for it
};

class TfrPage : public TfrObject {
 public:
  // A report page with that paper: the printer layer adopts the paper (code,
  // tenths of a millimetre, bin, orientation) and the page reads back what
  // it got; see ChangePaper.
  TfrPage(int32_t paperCode, int32_t widthDmm, int32_t heightDmm, int32_t paperSource,
          bool landscape);
  ~TfrPage() override;

  // Asks the printer layer for the paper and reads back paper code, size,
  // orientation and Metrics. When the printer rejects it, custom size 256
  // with the default bin is tried instead. PaperSource becomes 0xFFFF when
  // the requested bin was -1 (as a 16-bit value), else the printer's bin.
  void ChangePaper(int32_t paperCode, int32_t widthDmm, int32_t heightDmm, int32_t paperSource,
                   bool landscape);

  // Usable area while preparing, page units.
  int32_t TopLimit() const;
  int32_t LeftLimit() const;
  int32_t RightLimit() const;
  // Minus the page footer's height while the page's bands are built.
  int32_t BottomLimit() const;

  // Fresh until CurY passes y.
  void SetFreshUpTo(int32_t y) {
    Freshness = TfrFreshness::UpToFreshY;
    FreshY = y;
  }
  bool IsFresh() const {
    return Freshness == TfrFreshness::HeadBands ||
           (Freshness == TfrFreshness::UpToFreshY && CurY <= FreshY);
  }

  // Page columns to form: Columns, or 1 when it is 0 or less.
  int32_t ColumnCount() const { return Columns > 0 ? Columns : 1; }
  // First object of that name (case ignored), or null.
  TfrView* FindObject(std::string_view name) const;
  // Appends an object and returns it.
  TfrView* AddObject(std::unique_ptr<TfrView> view);
  // Destroys all objects.
  void Clear();
  // Destroys the run-time bands.
  void ClearBands();

  // Page width and height properties: paper size converted to page units
  // and back (tenths of a millimetre x 18 / 50).
  static int32_t DmmToPageProperty(int32_t dmm);
  static int32_t PagePropertyToDmm(int32_t value);

  void SetProperty(const std::string& name, const Variant& value) override;
  Variant GetProperty(const std::string& name) override;
  void DeclareProperties() override;

  // Fields in declared order; geometry in page units.
  std::array<std::unique_ptr<TfrBand>, kBandKindCount> Bands;  // run time: first band per kind
  bool IsSubReportPage = false;
  bool Initialized = false;            // run time: bands built
  int32_t CurColumn = 0;
  int32_t ColumnTopY = 0;
  int32_t ShiftX = 0;
  std::vector<TfrPlayEntry> PlayList;
  uint8_t RecordMode = 0;              // 0 print bands, 1 record them
  int32_t PlayPosition = 0;
  TfrBand* SuspendedBand = nullptr;
  int32_t CrossColumn = 0;             // "COLUMN#"
  int32_t PositionCounter = 0;         // "CURRENT#"
  TfrBand* LastPrintedBand = nullptr;
  bool NoRepeatHeaders = false;
  // Run time: whether a band that does not fit may still print here, split,
  // because a new page would give it no more room.
  TfrFreshness Freshness = TfrFreshness::UpToFreshY;
  int32_t FreshY = 0;                  // run time, page units: see TfrFreshness::UpToFreshY
  int32_t PaperCode = 0;
  int32_t WidthDmm = 0, HeightDmm = 0; // tenths of a millimetre
  TfrPageMargins Margins;
  bool Landscape = false;
  int32_t PaperSource = kDefaultBin;
  WordBool PrintToPrevPage{false};
  WordBool SheetCoordinates{true};       // property StretchToPrintable = not this
  TPrinterMetrics Metrics;
  int32_t Columns = 0;                 // 0 is read as 1
  int32_t ColumnWidth = 0;             // run time
  int32_t ColumnGap = 0;
  uint8_t PageType = ptReport;
  std::vector<std::unique_ptr<TfrView>> Objects;
  int32_t CurY = 0;                    // run time: "CURY"
  int32_t BottomY = 0;                 // run time: "PAGEHEIGHT"
  std::string Name;
  uint8_t BorderStyle = bsDialog;
  std::string Caption = "Form";
  uint32_t Color = clBtnFace;
  int32_t Left = 220, Top = 120, Width = 380, Height = 300;  // dialog window bounds
  uint8_t Position = poScreenCenter;
  TfrDialogForm* Form = nullptr;       // run time: the dialog window (not owned)
  TfrLines Script;
  bool Visible = true;

 protected:
  bool PropListValid() const override { return declaredType_ == PageType; }

 private:
  int declaredType_ = -1;  // page type the registry was declared for
};

class TfrPages {
 public:
  explicit TfrPages(TfrReport* report) : report_(report) {}

  int Count() const { return static_cast<int>(pages_.size()); }
  // The page at index; null outside the list.
  TfrPage* PageAt(int index) const;
  TfrPage* operator[](int index) const { return PageAt(index); }
  // Destroys all pages.
  void Clear() { pages_.clear(); }
  // Appends a report page with the default paper (width 0, height 0, bin -1,
  // portrait) and returns it.
  TfrPage* Add();
  // Appends a page made elsewhere.
  TfrPage* Add(std::unique_ptr<TfrPage> page);
  // Destroys the page at index; nothing outside the list.
  void Delete(int index);
  // Index of page in the list, or -1.
  int IndexOf(const TfrPage* page) const;
  // "Page" followed by the smallest number from 1 to kUniqueNameLimit that
  // no page uses (case ignored); empty when all are taken.
  std::string UniquePageName() const;

  TfrReport* Report() const { return report_; }

 private:
  TfrReport* report_;  // the report that owns the list
  std::vector<std::unique_ptr<TfrPage>> pages_;
};

}  // namespace lf
