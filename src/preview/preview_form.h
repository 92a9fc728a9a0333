// TfrPreviewForm: the preview window. Its client area is the page viewer
// (scroll box with the page box, scroll bars, page buttons, status bar) and
// all view state lives here; an embedded TfrPreview borrows that viewer.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/report.h"
#include "platform/canvas.h"
#include "preview/page_layout.h"

class QAction;
class QFileDialog;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollBar;
class QToolButton;
class QWidget;

namespace lf {

class TfrPBox;

// Whether the print system has at least one printer.
bool PrintersAvailable();

// Toolbar buttons' help context numbers double as their tags.
inline constexpr int kZoomBtnTag = 200;
// Vertical and horizontal scroll steps, pixels.
inline constexpr int kSmallScrollStep = 10;
inline constexpr int kLargeScrollStep = 200;
// Wheel steps in small steps: in the window, and embedded in a host form.
inline constexpr int kWindowWheelFactor = 1;
inline constexpr int kEmbeddedWheelFactor = 3;
// Placement is kept under "Form/" and this name.
inline constexpr const char* kPreviewFormClass = "TfrPreviewForm";
// The extension of prepared-report files.
inline constexpr const char* kPreparedReportExtension = ".frp";

// The search state of a window, kept between searches.
struct TfrFindState {
  std::string FindText;  // upper-cased when the case is ignored
  bool MatchCase = false;
  int FindPage = 0;      // 0-based page where the search continues
  int FindRecord = 0;    // drawing operation on that page from which a match counts
  bool Found = false;
  CanvasRect FoundRect;  // page units on page FindPage
};

class TfrPreviewForm : public QDialog {
 public:
  explicit TfrPreviewForm(QWidget* parent = nullptr);
  ~TfrPreviewForm() override;

  // ---- viewer ----
  // Takes the report's prepared pages (destroying the ones shown before);
  // the report gets a new empty list.
  void TakePages(TfrReport& report);
  // Hands the pages back to the report.
  void ReturnPages();
  // Starts from the saved zoom; with resetPosition at page 1, scrolled home.
  void ResetView(bool resetPosition);
  // Zoom, sheet positions and scroll ranges for the page box's size.
  void Relayout();
  void ScrollToCurrentPage();
  void ShowPageNumber();
  void WheelUp();
  void WheelDown();
  // A zoom menu item: 1, 2, 3 choose a fitted mode, any other tag a
  // percentage. Stored as the zoom of the process.
  void ApplyZoom(int tag);
  void PgUpClick();
  void PgDownClick();
  int HPos() const;
  int VPos() const;
  void SetHPos(int position);
  void SetVPos(int position);
  // Status text (host code page).
  void SetStatusText(const std::string& text);

  // ---- window ----
  // Takes the report's pages and shows them: modally (returning when the
  // window closes) when the report's ModalPreview is set, else at once.
  void ShowFor(TfrReport& report);
  void Localize();
  void InitButtons();
  // Replaces the shown pages by a prepared-report file; a file that cannot
  // be read leaves the shown pages and says why. Returns whether it loaded.
  bool LoadFile(const std::string& fileName);
  // Saves the shown pages as a prepared-report file under the name with its
  // extension replaced by ".frp"; a failure says why. The pages stay shown.
  bool SaveFile(const std::string& fileName);
  void ZoomBtnClick();
  void LoadBtnClick();
  void SaveBtnClick();
  // The print dialog, then the print of the chosen pages in the progress
  // window (nothing without pages or without printers of the print system).
  void PrintBtnClick();
  // The page-setup dialog; its printer, paper, orientation and margins go
  // to every report page of the template and the report is prepared again.
  void PageSetupBtnClick();
  // The save dialog: prepared-report files, ".frp" put on a name without
  // it before an existing file is asked about.
  std::unique_ptr<QFileDialog> MakeSaveDialog();
  void FindBtnClick();
  void HelpBtnClick();
  void ExitBtnClick();
  // Continues the search; F3 restarts it at the current page first when the
  // view has moved to another page.
  void FindNext();
  void FindAgain();
  // Starts a search as the find dialog would.
  void StartFind(const std::string& text, bool matchCase, bool fromCurrentPage);
  // Disables the commands that would read or replace the pages while a
  // preparation runs elsewhere in the process.
  void SetPreparing(bool preparing);
  // The toolbar sits in an embedding panel (help and close stay hidden).
  void SetToolbarEmbedded(bool embedded) { toolbarEmbedded_ = embedded; }
  // Puts the toolbar back at the top of this window.
  void TakeBackToolbar();

  TfrReport* Report() const { return report_; }
  TfrEMFPages* Pages() const { return pages_.get(); }
  const std::vector<CanvasRect>& PageBounds() const { return bounds_; }

  // View state.
  double Scale = 1.0;  // screen pixels per page unit
  TfrZoomMode ZoomMode = zmFixed;
  int32_t OriginX = 0, OriginY = 0;   // minus the scroll positions
  int32_t LastHPos = 0, LastVPos = 0;
  int32_t CurrentPage = 1;            // from 1
  bool PaintEnabled = true;
  int WheelFactor = kWindowWheelFactor;
  std::function<void(TfrPreviewForm&)> PageChangedHook;
  TfrFindState Find;

  // Components.
  QWidget* TPanel() const { return tpanel_; }
  QWidget* PreviewPanel() const { return previewPanel_; }
  QWidget* ScrollBox1() const { return scrollBox1_; }
  TfrPBox* PBox() const { return pbox_; }
  QWidget* RPanel() const { return rpanel_; }
  QWidget* BPanel() const { return bpanel_; }
  QScrollBar* VScrollBar() const { return vbar_; }
  QScrollBar* HScrollBar() const { return hbar_; }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QMenu* ProcMenu() const { return procMenu_; }
  QToolButton* Button(const char* name) const;
  // The zoom menu item with that tag (or null).
  QAction* ZoomItem(int tag) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  void BuildToolbar();
  // Print and page setup are offered only when the print system has printers.
  void EnablePrinting();
  // Prepares the report again and shows its new pages; false when cancelled.
  bool Rebuild();
  void BuildViewer();
  void CheckZoomItem();
  void OnVScroll(int position);
  void OnHScroll(int position);
  // Runs a command from an event handler: errors go to a message box.
  void Guarded(const std::function<void()>& command);

  TfrReport* report_ = nullptr;  // not owned
  TfrEMFPagesPtr pages_;
  std::vector<CanvasRect> bounds_;  // layout of each page, pixels from the origin
  bool followScroll_ = true;  // a vertical scroll moves the current page
  bool toolbarEmbedded_ = false;
  bool preparing_ = false;
  bool placementRestored_ = false;

  QWidget* tpanel_;
  QWidget* previewPanel_;
  QWidget* scrollBox1_;
  TfrPBox* pbox_;
  QWidget* rpanel_;
  QWidget* bpanel_;
  QScrollBar* vbar_;
  QScrollBar* hbar_;
  QLabel* label1_;
  QLabel* label2_;
  QMenu* procMenu_;
  QActionGroup* zoomGroup_;
  QWidget* helpWindow_ = nullptr;  // child of this window
};

}  // namespace lf
