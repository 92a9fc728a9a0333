// TfrReport: the report component: template pages, dictionary, prepared
// pages, published settings, events, report information and printer choice.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/model/data_dictionary.h"
#include "engine/model/page.h"
#include "engine/model/text_lines.h"
#include "engine/expr/variant.h"
#include "platform/component.h"
#include "platform/liveness.h"
#include "platform/stream.h"

namespace lf {

class TComponentWatch;
class TfrBand;
class TfrDataset;
class TfrEMFPages;
class TfrExportFilter;
class TfrPreview;
class TfrView;
struct TPrintResult;
struct TemplateLoadResult;

// Prints a band at once, between the bands the run prints itself (the
// script procedure SHOWBAND). The preparation of a report is one.
class TfrBandPrinter {
 public:
  virtual ~TfrBandPrinter() = default;
  virtual void ShowBand(TfrBand& band) = 0;
};

enum TfrReportType { rtSimple, rtMultiple };
enum TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };

// Preview toolbar buttons, a set of bits.
enum TfrPreviewButton : uint16_t {
  pbZoom = 1 << 0,
  pbLoad = 1 << 1,
  pbSave = 1 << 2,
  pbPrint = 1 << 3,
  pbFind = 1 << 4,
  pbHelp = 1 << 5,
  pbExit = 1 << 6,
  pbPageSetup = 1 << 7,
};
using TfrPreviewButtons = uint16_t;
inline constexpr TfrPreviewButtons kDefaultPreviewButtons =
    pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;

// Destroys a prepared-page list; supplied by whoever creates the list, so
// that the report can own it without knowing its class.
struct TfrEMFPagesDeleter {
  void (*Destroy)(TfrEMFPages*) = nullptr;
  void operator()(TfrEMFPages* pages) const {
    if (Destroy) Destroy(pages);
  }
};
using TfrEMFPagesPtr = std::unique_ptr<TfrEMFPages, TfrEMFPagesDeleter>;

// Value GeneratorVersion is written as.
inline constexpr uint8_t kGeneratorVersion = 88;
// SourceFileName of a report that came from no file.
inline constexpr const char* kUntitledReport = "Untitled";

// Days since 30 December 1899 of the current local date and time.
double NowDateTime();

class TfrReport : public TComponent {
 public:
  TfrReport();
  ~TfrReport() override;

  // Replaces the template by the one at the stream's position; problems are
  // shown to the user, never raised.
  TemplateLoadResult LoadFromStream(TStream& stream);
  // Writes the template at the stream's position.
  void SaveToStream(TStream& stream);
  // Destroys all pages, clears the dictionary, sets TwoPass false and resets
  // the report information.
  void Clear();
  // Sets Dataset; the field is cleared when that dataset is destroyed.
  void SetDataset(TfrDataset* dataset);
  // Report information: texts empty, both dates now, not protected, no
  // password, GeneratorVersion 88.
  void ResetReportInfo();
  // Names every object that has no name, pages and objects in order, as
  // UniqueName would one by one (a template's objects after loading), in
  // time linear in the number of objects.
  void NameUnnamedObjects();
  // First object of that name on any page, pages in order (case ignored).
  TfrView* FindObject(std::string_view name) const;
  // Unless UseDefaultPrinter, selects the printer of that name when the
  // printer layer knows it; remembers the name in PrinterName.
  void SelectPrinterByName(const std::string& name);
  // Switches from printer oldIndex to newIndex and lets every page take its
  // paper again; false (after a message box) when the new printer fails.
  bool ChangePrinter(int oldIndex, int newIndex);
  // Every template page selects its own paper again.
  void ReapplyPapers();
  // Reads a prepared-report file whole, then makes it PreparedPages, resets
  // the report information and makes the report not rebuildable; a file
  // that fails to load changes none of these.
  void LoadPreparedReport(const std::string& fileName);
  // Writes PreparedPages as a prepared-report file; an existing file of
  // that name is replaced only once the new one is complete.
  void SavePreparedReport(const std::string& fileName);
  // Prints the prepared pages on the selected printer: the pages of a page
  // list ("" all), copies, collated or not, parity 0 all, 1 odd, 2 even
  // pages. Clears the cancel flag (StopRequested), which stops the print
  // after the page being sent; progress goes to OnProgress or, with
  // ShowProgress, to the caller's progress. EOwnerDestroyed when a handler
  // run meanwhile destroyed the report.
  TPrintResult PrintPrepared(const std::string& pageList, int copies, bool collate, int parity,
                             const std::function<void(const std::string&)>& progress = {});
  // The print itself, with the values PrintPrepared stored.
  TPrintResult PrintPages(const std::string& pageList, int copies, bool collate, int parity,
                          const std::function<void(const std::string&)>& progress = {});

  // Ends when the report is destroyed; a run that dispatches messages holds
  // one, so that a handler destroying the report stops it safely.
  LivenessGuard Guard() const { return liveness_.Guard(); }

  // Events, raised only when assigned.
  std::function<void()> OnBeginDoc, OnEndDoc, OnPrintReport;
  std::function<void(int pgNo)> OnBeginPage, OnEndPage;
  std::function<void(TfrBand* Band)> OnBeginBand, OnEndBand, OnBeginColumn;
  std::function<void(const std::string& ParName, Variant& ParValue)> OnGetValue;
  std::function<void(TfrLines& Memo, TfrView* View)> OnBeforePrint;
  std::function<void(const std::string& Name, const Variant& p1, const Variant& p2,
                     const Variant& p3, Variant& Val)>
      OnUserFunction;
  std::function<void(int n)> OnProgress;
  std::function<void(int ColNo, int& Width)> OnPrintColumn;
  std::function<void(TfrPage* Page)> OnManualBuild;
  std::function<void(TfrView* View)> OnObjectClick;
  std::function<void(TfrView* View, int& Cursor)> OnMouseOverObject;
  std::function<void(TfrObject* Sender)> OnCustomizeObject;

  // Published properties.
  TfrDataset* Dataset = nullptr;       // not owned
  int DefaultCopies = 1;
  bool DefaultCollate = true;
  bool GrayedButtons = false;
  TfrPreviewZoom InitialZoom = pzDefault;
  bool MDIPreview = false;
  bool ModalPreview = true;
  bool ModifyPrepared = true;
  TfrPreview* Preview = nullptr;       // not owned
  TfrPreviewButtons PreviewButtons = kDefaultPreviewButtons;
  bool PrintIfEmpty = true;
  TfrReportType ReportType = rtSimple;
  bool ShowPrintDialog = true;
  bool ShowProgress = true;
  bool StoreInDFM = false;
  std::string Title;
  bool RebuildPrinter = false;
  bool UseDefaultDataSetName = false;

  // Other fields in declared order.
  std::unique_ptr<TfrPages> Pages;
  TfrEMFPagesPtr PreparedPages;        // created with the prepared pages
  std::unique_ptr<TfrDataDictionary> Dictionary;
  TfrExportFilter* ExportFilter = nullptr;  // active export filter (none exist)
  std::string PageNumbers;             // page list text for printing
  int Copies = 1;
  bool Collate = true;
  int PageChoice = 0;                  // page parity printed: 0 all, 1 odd, 2 even
  TfrPage* ActivePage = nullptr;       // page being formed
  bool SavedTwoPass = false;
  std::string PrinterName;
  std::unique_ptr<TMemoryStream> TemplateStream;  // stored template until loading completes
  bool Rebuildable = false;
  bool StopRequested = false;
  // The run preparing the report; set by it for the time of the run, null
  // otherwise (SHOWBAND then prints nothing).
  TfrBandPrinter* BandPrinter = nullptr;
  WordBool UseDefaultPrinter{false};
  WordBool TwoPass{false};
  bool InFinalPass = false;
  std::string SourceFileName = kUntitledReport;
  // Report information.
  std::string ReportComment, ReportName, ReportAutor;
  std::string ReportVersionMajor, ReportVersionMinor, ReportVersionRelease, ReportVersionBuild;
  double ReportCreateDate = 0;         // days since 30 December 1899
  double ReportLastChange = 0;
  bool PasswordProtected = false;
  std::string Password;
  uint8_t GeneratorVersion = kGeneratorVersion;

 private:
  Liveness liveness_;  // ended first in the destructor; see platform/liveness.h
  std::unique_ptr<TComponentWatch> datasetWatch_;  // clears Dataset when it goes
};

// The name an object needs: base followed by the smallest number from 1 to
// kUniqueNameLimit that no object of report uses (case ignored); empty when
// all are taken.
std::string UniqueObjectName(const TfrReport& report, std::string_view base);

}  // namespace lf
