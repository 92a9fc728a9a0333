// TfrPreviewForm: the toolbar and its commands, the keyboard, the search
// and the window's placement.
#include "preview/preview_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/expr/locale.h"
#include "engine/model/page.h"
#include "engine/output/emf_pages.h"
#include "engine/output/print_prepared.h"
#include "engine/run/engine_state_scope.h"
#include "platform/liveness.h"
#include "platform/message_box.h"
#include "platform/output_file.h"
#include "printer/printer.h"
#include "preview/find_dialog.h"
#include "preview/page_setup_form.h"
#include "preview/print_form.h"
#include "preview/progress_form.h"
#include "preview/qt_text.h"
#include "preview/text_search.h"
#include "preview/window_placement.h"

namespace lf {
namespace {

// Toolbar buttons: name, tag (help context), hint string, standard icon.
struct ButtonSpec {
  const char* name;
  int tag;
  int hint;
  QStyle::StandardPixmap icon;
  int width;
};
constexpr ButtonSpec kButtons[] = {
    {"ZoomBtn", 200, 53024, QStyle::SP_CustomBase, 53},
    {"frTBSeparator1", 0, 0, QStyle::SP_CustomBase, 8},
    {"LoadBtn", 201, 53025, QStyle::SP_DialogOpenButton, 24},
    {"SaveBtn", 202, 53026, QStyle::SP_DialogSaveButton, 24},
    {"PrintBtn", 203, 53027, QStyle::SP_FileIcon, 24},
    {"PageSetupBtn", 203, 0, QStyle::SP_FileDialogDetailedView, 24},
    {"frTBSeparator2", 0, 0, QStyle::SP_CustomBase, 8},
    {"FindBtn", 204, 53028, QStyle::SP_FileDialogContentsView, 24},
    {"HelpBtn", 0, 53032, QStyle::SP_DialogHelpButton, 24},
    {"frTBSeparator3", 0, 0, QStyle::SP_CustomBase, 8},
    {"ExitBtn", 205, 53023, QStyle::SP_DialogCloseButton, 24},
};

// The short help page the help button shows.
constexpr const char* kHelpText =
    "<h3>Preview</h3>"
    "<p><b>Mouse</b>: drag a page to move the view; the wheel scrolls; a right click opens the zoom "
    "menu; a click on a link follows it (links to pages move the view, web and mail addresses open "
    "in their programs); a double click makes that page the current one.</p>"
    "<p><b>Keys</b>: arrows scroll a little, Page Up / Page Down a screen; Ctrl+Page Up / Ctrl+Page Down "
    "go to the previous / next page; Ctrl+Home goes to the top, Ctrl+End to the last page; Space opens "
    "the zoom menu; Ctrl+F finds text and F3 finds the next match; Ctrl+O opens and Ctrl+S saves a "
    "prepared report (.frp); Ctrl+P prints; Esc closes the preview.</p>";

QWidget* Separator(QWidget* parent, const char* name) {
  auto* w = new QWidget(parent);
  w->setObjectName(name);
  w->setFixedSize(8, 8);
  return w;
}

std::string WithPreparedExtension(const std::string& fileName) {
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? fileName.substr(0, dot)
                                                                                                  : fileName;
  return base + kPreparedReportExtension;
}

}  // namespace

TfrPreviewForm::TfrPreviewForm(QWidget* parent) : TfrPreviewForm(nullptr, parent) {}

TfrPreviewForm::TfrPreviewForm(PageViewer& viewer) : TfrPreviewForm(&viewer, nullptr) {}

TfrPreviewForm::TfrPreviewForm(PageViewer* viewer, QWidget* parent)
    : QDialog(parent, Qt::Window), viewer_(viewer), ownsViewer_(viewer == nullptr) {
  setObjectName("TfrPreviewForm");
  setWindowTitle("Print preview");
  resize(459, 293);
  setWindowState(Qt::WindowMaximized);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolbar();
  layout->addWidget(tpanel_);
  if (ownsViewer_) {
    viewer_ = new PageViewer(this);
    viewer_->SetFocusOnLayout(true);
    layout->addWidget(viewer_, 1);
  }
  viewer_->SetZoomShownHandler(
      [this](int percent) { Button("ZoomBtn")->setText(QString::number(percent) + "%"); });
}

TfrPreviewForm::~TfrPreviewForm() {
  if (!ownsViewer_) viewer_->SetZoomShownHandler(nullptr);
}

void TfrPreviewForm::BuildToolbar() {
  tpanel_ = new QWidget(this);
  tpanel_->setObjectName("TPanel");
  tpanel_->setFixedHeight(33);
  auto* row = new QHBoxLayout(tpanel_);
  row->setContentsMargins(4, 6, 4, 3);
  row->setSpacing(0);
  for (const ButtonSpec& b : kButtons) {
    if (b.tag == 0 && b.hint == 0) {
      row->addWidget(Separator(tpanel_, b.name));
      continue;
    }
    auto* button = new QToolButton(tpanel_);
    button->setObjectName(b.name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(b.width, 24);
    button->setProperty("helpContext", b.tag);
    if (b.icon != QStyle::SP_CustomBase) button->setIcon(style()->standardIcon(b.icon));
    row->addWidget(button);
  }
  row->addStretch(1);
  Button("ZoomBtn")->setText("100%");
  connect(Button("ZoomBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { ZoomBtnClick(); }); });
  connect(Button("LoadBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { LoadBtnClick(); }); });
  connect(Button("SaveBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { SaveBtnClick(); }); });
  connect(Button("FindBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { FindBtnClick(); }); });
  connect(Button("HelpBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { HelpBtnClick(); }); });
  connect(Button("ExitBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { ExitBtnClick(); }); });
  connect(Button("PrintBtn"), &QToolButton::clicked, this, [this] { Guarded([this] { PrintBtnClick(); }); });
  connect(Button("PageSetupBtn"), &QToolButton::clicked, this,
          [this] { Guarded([this] { PageSetupBtnClick(); }); });
  EnablePrinting();
}

QToolButton* TfrPreviewForm::Button(const char* name) const { return tpanel_->findChild<QToolButton*>(name); }

void TfrPreviewForm::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const EOwnerDestroyed&) {
    // A handler destroyed the report's owner meanwhile, and this window
    // with it: nothing is left to tell.
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
  }
}

void TfrPreviewForm::ShowFor(TfrReport& report) {
  viewer_->TakePages(report);
  InitButtons();
  viewer_->ResetView(true);
  viewer_->SetHPos(0);
  viewer_->SetVPos(0);
  if (report.ModalPreview) exec();
  else show();
}

void TfrPreviewForm::Localize() {
  viewer_->Localize();
  for (const ButtonSpec& b : kButtons)
    if (b.hint) Button(b.name)->setToolTip(ToQString(LoadLocalizedString(b.hint)));
}

void TfrPreviewForm::InitButtons() {
  TfrReport* report = Report();
  if (!report) return;
  const TfrPreviewButtons flags = report->PreviewButtons;
  auto visible = [&](const char* name, bool on) { tpanel_->findChild<QWidget*>(name)->setVisible(on); };
  visible("ZoomBtn", flags & pbZoom);
  visible("LoadBtn", flags & pbLoad);
  visible("SaveBtn", flags & pbSave);
  visible("PrintBtn", flags & pbPrint);
  visible("FindBtn", flags & pbFind);
  visible("PageSetupBtn", flags & pbPageSetup);
  visible("HelpBtn", (flags & pbHelp) && !toolbarEmbedded_);
  visible("ExitBtn", (flags & pbExit) && !toolbarEmbedded_);
  visible("frTBSeparator1", flags & pbZoom);
  visible("frTBSeparator3", (flags & pbFind) || ((flags & pbHelp) && !toolbarEmbedded_));
  EnablePrinting();
  switch (report->InitialZoom) {
    case pzPageWidth: SavedZoom().Mode = zmPageWidth; break;
    case pzOnePage: SavedZoom().Mode = zmWholePage; break;
    case pzTwoPages: SavedZoom().Mode = zmTwoPages; break;
    case pzDefault: break;
  }
  for (QToolButton* b : tpanel_->findChildren<QToolButton*>()) b->setAutoRaise(true);
}

bool TfrPreviewForm::LoadFile(const std::string& fileName) {
  TfrReport* report = Report();
  if (!report) return false;
  // The file is read into a list of its own; the pages on screen go only
  // once it has been read whole.
  TfrEMFPagesPtr reportPages = std::move(report->PreparedPages);
  report->PreparedPages = NewEMFPages(report);
  TfrEMFPagesPtr loaded;
  try {
    EngineStateScope state;
    report->LoadPreparedReport(fileName);
    if (report->PreparedPages->Count() == 0) throw Exception("\"" + fileName + "\" holds no pages");
    loaded = std::move(report->PreparedPages);
  } catch (const std::exception& e) {
    report->PreparedPages = std::move(reportPages);
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
    return false;
  }
  report->PreparedPages = std::move(reportPages);
  find_ = TfrFindState{};
  viewer_->ShowPages(std::move(loaded));
  return true;
}

bool TfrPreviewForm::SaveFile(const std::string& fileName) {
  if (!Report() || !Pages()) return false;
  try {
    EngineStateScope state;
    // A failed save leaves any earlier file as it was.
    OutputFile file(WithPreparedExtension(fileName));
    Pages()->WriteToStream(&file);
    file.Commit();
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
    return false;
  }
  return true;
}

void TfrPreviewForm::ZoomBtnClick() {
  QToolButton* zoom = Button("ZoomBtn");
  viewer_->ProcMenu()->popup(zoom->mapToGlobal(QPoint(0, zoom->height())));
}

void TfrPreviewForm::LoadBtnClick() {
  if (!Pages() || preparing_) return;
  const QString filter = ToQString(LoadLocalizedString(55211)) + " (*.frp)";
  const QString name = QFileDialog::getOpenFileName(this, QString(), QString(), filter);
  if (!name.isEmpty()) LoadFile(FromQString(name));
}

std::unique_ptr<QFileDialog> TfrPreviewForm::MakeSaveDialog() {
  auto dialog = std::make_unique<QFileDialog>(this, QString(), QString(),
                                              ToQString(LoadLocalizedString(55211)) + " (*.frp)");
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  // The dialog puts the extension on before it asks about replacing a file,
  // so "report" asks about an existing "report.frp".
  dialog->setDefaultSuffix(QString(kPreparedReportExtension).mid(1));
  dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
  return dialog;
}

void TfrPreviewForm::SaveBtnClick() {
  if (!Pages() || preparing_) return;
  std::unique_ptr<QFileDialog> dialog = MakeSaveDialog();
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
  SaveFile(FromQString(dialog->selectedFiles().first()));
}

bool PrintersAvailable() { return SharedPrinter().VirtualIndex > 0; }

void TfrPreviewForm::EnablePrinting() {
  const bool on = PrintersAvailable() && !preparing_;
  Button("PrintBtn")->setEnabled(on);
  Button("PageSetupBtn")->setEnabled(on);
}

void TfrPreviewForm::PrintBtnClick() {
  TfrReport* report = Report();
  if (!report || !Pages() || preparing_ || !PrintersAvailable()) return;
  TfrPrinter& printer = SharedPrinter();
  TfrPrintForm dialog(this);
  dialog.E1()->setText(QString::number(report->DefaultCopies));
  dialog.CollateCB()->setChecked(report->DefaultCollate);
  const int oldIndex = printer.CurrentIndex;
  if (report->ShowPrintDialog && dialog.exec() != QDialog::Accepted) return;
  // Values that are not numbers are refused before anything changes.
  const int copies = dialog.Copies();
  std::string list;
  if (dialog.RB2()->isChecked()) list = std::to_string(viewer_->CurrentPage());
  else if (dialog.RB3()->isChecked()) list = FromQString(dialog.E2()->text());
  ParsePrintPageList(list, Pages()->Count());
  if (report->RebuildPrinter && printer.CurrentIndex != oldIndex && report->Rebuildable) {
    if (!report->ChangePrinter(oldIndex, printer.CurrentIndex)) return;
    if (!Rebuild()) return;
  }
  // The report prints its own list: the shown pages go back to it meanwhile.
  viewer_->ReturnPages();
  try {
    PrintWithProgress(*report, list, copies, dialog.CollateCB()->isChecked(), dialog.Parity(), this);
  } catch (const EOwnerDestroyed&) {
    throw;  // the report and this window are gone
  } catch (...) {
    viewer_->TakePages(*report);
    viewer_->ResetView(false);
    throw;
  }
  viewer_->TakePages(*report);
  viewer_->ResetView(false);
}

bool TfrPreviewForm::Rebuild() {
  TfrReport& report = *Report();
  viewer_->ReleasePages();
  bool prepared = false;
  try {
    prepared = PrepareWithProgress(report, this);
  } catch (const EOwnerDestroyed&) {
    throw;  // the report and this window are gone
  } catch (...) {
    viewer_->TakePages(report);
    viewer_->ResetView(true);
    throw;
  }
  viewer_->TakePages(report);
  viewer_->ResetView(true);
  return prepared;
}

void TfrPreviewForm::PageSetupBtnClick() {
  TfrReport* report = Report();
  if (!report || !Pages() || preparing_ || !PrintersAvailable()) return;
  // Pages read from a prepared file have no template to lay out again.
  if (!report->Rebuildable) return;
  TfrPages& pages = *report->Pages;
  TfrPage* first = nullptr;
  for (int i = 0; i < pages.Count() && !first; ++i)
    if (pages[i]->PageType == ptReport) first = pages[i];
  if (!first) return;
  TfrPageSetupForm dialog({first->Margins.Left, first->Margins.Top, first->Margins.Right,
                           first->Margins.Bottom},
                          this);
  if (dialog.exec() != QDialog::Accepted) return;
  TfrPrinter& printer = SharedPrinter();
  printer.SelectPrinter(dialog.PrinterIndex());
  printer.SelectPaper(dialog.PaperCode(), 0, 0, printer.PaperSource, dialog.IsLandscape(), true);
  printer.Refresh();
  // Preparation selects the report's printer by name: the choice is kept there.
  report->PrinterName = printer.CurrentName();
  const std::array<int32_t, 4> m = dialog.MarginsPageUnits();
  for (int i = 0; i < pages.Count(); ++i) {
    TfrPage* page = pages[i];
    if (page->PageType != ptReport) continue;
    page->Margins = TfrPageMargins{m[0], m[1], m[2], m[3]};
    page->ChangePaper(printer.PaperCode, 0, 0, printer.PaperSource, printer.Landscape);
  }
  Rebuild();
}

void TfrPreviewForm::FindBtnClick() {
  if (!Report() || !Pages() || preparing_) return;
  TfrPreviewSearchForm dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  StartFind(FromQString(dialog.Edit1()->text()), dialog.CB1()->isChecked(), dialog.RB2()->isChecked());
}

void TfrPreviewForm::StartFind(const std::string& text, bool matchCase, bool fromCurrentPage) {
  find_.MatchCase = matchCase;
  find_.FindText = SearchKey(text, matchCase);
  if (!fromCurrentPage) {
    find_.FindPage = 0;
    find_.FindRecord = 0;
  } else if (viewer_->CurrentPage() != find_.FindPage + 1) {
    find_.FindPage = viewer_->CurrentPage() - 1;
    find_.FindRecord = 0;
  }
  FindNext();
}

void TfrPreviewForm::FindAgain() {
  if (find_.FindText.empty() || !Pages() || preparing_) return;
  if (viewer_->CurrentPage() != find_.FindPage + 1) {
    find_.FindPage = viewer_->CurrentPage() - 1;
    find_.FindRecord = 0;
  }
  FindNext();
}

void TfrPreviewForm::FindNext() {
  TfrEMFPages* pages = Pages();
  if (!pages) return;
  PageViewer::PaintPause pause(*viewer_);
  viewer_->ClearFound();
  while (find_.FindPage < pages->Count()) {
    std::optional<TextMatch> match =
        FindOnPage(*pages, find_.FindPage, find_.FindText, find_.MatchCase, find_.FindRecord);
    if (!match) {
      find_.FindRecord = 0;
      ++find_.FindPage;
      continue;
    }
    find_.FindRecord = match->NextRecord;
    viewer_->ShowFound({find_.FindPage, match->Rect});
    return;
  }
}

void TfrPreviewForm::HelpBtnClick() {
  if (!helpWindow_) {
    auto* help = new QTextBrowser(this);
    help->setWindowFlags(Qt::Window);
    help->setObjectName("HelpWindow");
    help->setWindowTitle(ToQString(LoadLocalizedString(53032)));
    help->setHtml(kHelpText);
    help->resize(420, 260);
    helpWindow_ = help;
  }
  helpWindow_->show();
  helpWindow_->raise();
}

void TfrPreviewForm::ExitBtnClick() {
  if (!Report()) return;
  if (Report()->ModalPreview && isModal()) accept();
  else close();
}

void TfrPreviewForm::TakeBackToolbar() {
  static_cast<QVBoxLayout*>(layout())->insertWidget(0, tpanel_);
  tpanel_->show();
}

void TfrPreviewForm::SetPreparing(bool preparing) {
  preparing_ = preparing;
  for (const char* name : {"LoadBtn", "SaveBtn", "FindBtn"}) Button(name)->setEnabled(!preparing);
  EnablePrinting();
}

void TfrPreviewForm::keyPressEvent(QKeyEvent* event) {
  if (!Pages()) {
    event->ignore();
    return;
  }
  PageViewer& v = *viewer_;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  bool handled = true;
  try {
    switch (event->key()) {
      case Qt::Key_Up: v.SetVPos(v.VPos() - kSmallScrollStep); break;
      case Qt::Key_Down: v.SetVPos(v.VPos() + kSmallScrollStep); break;
      case Qt::Key_Left: v.SetHPos(v.HPos() - kSmallScrollStep); break;
      case Qt::Key_Right: v.SetHPos(v.HPos() + kSmallScrollStep); break;
      case Qt::Key_PageUp:
        if (ctrl) v.PgUpClick();
        else v.SetVPos(v.VPos() - kLargeScrollStep);
        break;
      case Qt::Key_PageDown:
        if (ctrl) v.PgDownClick();
        else v.SetVPos(v.VPos() + kLargeScrollStep);
        break;
      case Qt::Key_Space: ZoomBtnClick(); break;
      case Qt::Key_Escape: ExitBtnClick(); break;
      case Qt::Key_Home:
        if (ctrl) v.SetVPos(0);
        else handled = false;
        break;
      case Qt::Key_End:
        if (ctrl) {
          v.GoToPage(Pages()->Count());
        } else {
          handled = false;
        }
        break;
      case Qt::Key_O: if (ctrl) LoadBtnClick(); else handled = false; break;
      case Qt::Key_S: if (ctrl) SaveBtnClick(); else handled = false; break;
      case Qt::Key_P:
        if (!ctrl) handled = false;
        else if (Button("PrintBtn")->isEnabled()) PrintBtnClick();
        break;
      case Qt::Key_F: if (ctrl) FindBtnClick(); else handled = false; break;
      case Qt::Key_F3: if (!ctrl) FindAgain(); break;
      default:
        // Any other key with Ctrl is taken and does nothing.
        handled = ctrl && event->key() != Qt::Key_Control;
    }
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
  }
  if (handled) event->accept();
  else event->ignore();
}

void TfrPreviewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Localize();
  if (!placementRestored_) {
    placementRestored_ = true;
    RestoreWindowPlacement(*this, kPreviewFormClass);
  }
  viewer_->ScrollBox1()->setFocus();
}

void TfrPreviewForm::closeEvent(QCloseEvent* event) {
  SaveWindowPlacement(*this, kPreviewFormClass);
  QDialog::closeEvent(event);
}

void TfrPreviewForm::done(int result) {
  // A modal window ended by Esc or its button goes the way a close does.
  if (isVisible()) SaveWindowPlacement(*this, kPreviewFormClass);
  QDialog::done(result);
}

}  // namespace lf
