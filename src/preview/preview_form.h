// TfrPreviewForm: the preview window: the toolbar and its commands (zoom,
// open, save, print, page setup, find, help, close), the keyboard and the
// window's placement, around a page viewer. An embedded TfrPreview keeps a
// hidden one working on the panel's own viewer.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "engine/model/report.h"
#include "preview/page_viewer.h"

class QFileDialog;
class QToolButton;
class QWidget;

namespace lf {

// Whether the print system has at least one printer.
bool PrintersAvailable();

// Toolbar buttons' help context numbers double as their tags.
inline constexpr int kZoomBtnTag = 200;
// Placement is kept under "Form/" and this name.
inline constexpr const char* kPreviewFormClass = "TfrPreviewForm";
// The extension of prepared-report files.
inline constexpr const char* kPreparedReportExtension = ".frp";

// The search state of a window, kept between searches; the text found
// last is the viewer's mark (PageViewer::Found).
struct TfrFindState {
  std::string FindText;  // upper-cased when the case is ignored
  bool MatchCase = false;
  int FindPage = 0;      // 0-based page where the search continues
  int FindRecord = 0;    // drawing operation on that page from which a match counts
};

class TfrPreviewForm : public QDialog {
 public:
  // A window with a viewer of its own.
  explicit TfrPreviewForm(QWidget* parent = nullptr);
  // A window whose toolbar and commands work on viewer, which stays where
  // it is and must outlive the window.
  explicit TfrPreviewForm(PageViewer& viewer);
  ~TfrPreviewForm() override;

  PageViewer& Viewer() const { return *viewer_; }
  TfrReport* Report() const { return viewer_->Report(); }
  TfrEMFPages* Pages() const { return viewer_->Pages(); }

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
  const TfrFindState& FindState() const { return find_; }
  // Disables the commands that would read or replace the pages while a
  // preparation runs elsewhere in the process.
  void SetPreparing(bool preparing);
  // The toolbar sits in an embedding panel (help and close stay hidden).
  void SetToolbarEmbedded(bool embedded) { toolbarEmbedded_ = embedded; }
  // Puts the toolbar back at the top of this window.
  void TakeBackToolbar();

  // Components.
  QWidget* TPanel() const { return tpanel_; }
  QToolButton* Button(const char* name) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  TfrPreviewForm(PageViewer* viewer, QWidget* parent);
  void BuildToolbar();
  // Print and page setup are offered only when the print system has printers.
  void EnablePrinting();
  // Prepares the report again and shows its new pages; false when cancelled.
  bool Rebuild();
  // Runs a command from an event handler: errors go to a message box.
  void Guarded(const std::function<void()>& command);

  PageViewer* viewer_;       // a child of this window, or the borrowed one
  bool ownsViewer_;
  TfrFindState find_;
  bool toolbarEmbedded_ = false;
  bool preparing_ = false;
  bool placementRestored_ = false;

  QWidget* tpanel_;
  QWidget* helpWindow_ = nullptr;  // child of this window
};

}  // namespace lf
