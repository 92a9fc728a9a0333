// TfrPreviewForm: the viewer's state and layout, the toolbar and its
// commands, the keyboard, the search and the window's placement.
#include "preview/preview_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "platform/message_box.h"
#include "printer/printer.h"
#include "engine/model/page.h"
#include "engine/output/print_prepared.h"
#include "preview/find_dialog.h"
#include "preview/page_setup_form.h"
#include "preview/print_form.h"
#include "preview/progress_form.h"
#include "preview/page_box.h"
#include "preview/qt_text.h"
#include "preview/text_search.h"
#include "preview/window_placement.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace lf {
namespace {

// Zoom menu items: tag and caption (a percentage, or a string number).
struct ZoomItemSpec {
  const char* name;
  int tag;
  const char* percent;
  int string;
};
constexpr ZoomItemSpec kZoomItems[] = {
    {"N2001", 200, "200%", 0}, {"N1501", 150, "150%", 0}, {"N1001", 100, "100%", 0},
    {"N751", 75, "75%", 0},    {"N501", 50, "50%", 0},    {"N251", 25, "25%", 0},
    {"N101", 10, "10%", 0},    {"N1", zmPageWidth, nullptr, 53020},
    {"N2", zmWholePage, nullptr, 53021},                  {"N3", zmTwoPages, nullptr, 53022},
};

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

TfrPreviewForm::TfrPreviewForm(QWidget* parent) : QDialog(parent, Qt::Window) {
  setObjectName("TfrPreviewForm");
  setWindowTitle("Print preview");
  resize(459, 293);
  setWindowState(Qt::WindowMaximized);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolbar();
  BuildViewer();
  layout->addWidget(tpanel_);
  layout->addWidget(previewPanel_, 1);
  Scale = SavedZoom().Scale;
  ZoomMode = SavedZoom().Mode;
}

TfrPreviewForm::~TfrPreviewForm() {
  PaintEnabled = false;
  pages_.reset();
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

  procMenu_ = new QMenu(this);
  procMenu_->setObjectName("ProcMenu");
  zoomGroup_ = new QActionGroup(procMenu_);
  zoomGroup_->setExclusive(true);
  for (const ZoomItemSpec& z : kZoomItems) {
    QAction* a = procMenu_->addAction(z.percent ? QString(z.percent) : QString());
    a->setObjectName(z.name);
    a->setData(z.tag);
    a->setCheckable(true);
    zoomGroup_->addAction(a);
    connect(a, &QAction::triggered, this, [this, tag = z.tag] { Guarded([this, tag] { ApplyZoom(tag); }); });
  }
  ZoomItem(100)->setChecked(true);
}

void TfrPreviewForm::BuildViewer() {
  previewPanel_ = new QWidget(this);
  previewPanel_->setObjectName("PreviewPanel");
  auto* grid = new QGridLayout(previewPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);

  scrollBox1_ = new QWidget(previewPanel_);
  scrollBox1_->setObjectName("ScrollBox1");
  scrollBox1_->setFocusPolicy(Qt::StrongFocus);
  auto* boxLayout = new QVBoxLayout(scrollBox1_);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  pbox_ = new TfrPBox(*this, scrollBox1_);
  boxLayout->addWidget(pbox_);
  grid->addWidget(scrollBox1_, 0, 0);

  rpanel_ = new QWidget(previewPanel_);
  rpanel_->setObjectName("RPanel");
  rpanel_->setFixedWidth(16);
  auto* right = new QVBoxLayout(rpanel_);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(0);
  vbar_ = new QScrollBar(Qt::Vertical, rpanel_);
  vbar_->setObjectName("VScrollBar");
  vbar_->setFocusPolicy(Qt::NoFocus);
  vbar_->setSingleStep(kSmallScrollStep);
  vbar_->setPageStep(kLargeScrollStep);
  vbar_->setRange(0, 32000);
  right->addWidget(vbar_, 1);
  auto pageButton = [&](const char* name, Qt::ArrowType arrow) {
    auto* b = new QToolButton(rpanel_);
    b->setObjectName(name);
    b->setArrowType(arrow);
    b->setFixedSize(16, 16);
    b->setFocusPolicy(Qt::NoFocus);
    right->addWidget(b);
    return b;
  };
  connect(pageButton("PgUp", Qt::UpArrow), &QToolButton::clicked, this, [this] { Guarded([this] { PgUpClick(); }); });
  connect(pageButton("PgDown", Qt::DownArrow), &QToolButton::clicked, this,
          [this] { Guarded([this] { PgDownClick(); }); });
  grid->addWidget(rpanel_, 0, 1);

  bpanel_ = new QWidget(previewPanel_);
  bpanel_->setObjectName("BPanel");
  bpanel_->setFixedHeight(18);
  auto* bottom = new QHBoxLayout(bpanel_);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(2);
  label1_ = new QLabel(bpanel_);
  label1_->setObjectName("Label1");
  label1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label1_->setFixedWidth(77);
  label2_ = new QLabel(bpanel_);
  label2_->setObjectName("Label2");
  label2_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label2_->setFixedWidth(154);
  hbar_ = new QScrollBar(Qt::Horizontal, bpanel_);
  hbar_->setObjectName("HScrollBar");
  hbar_->setFocusPolicy(Qt::NoFocus);
  hbar_->setSingleStep(kSmallScrollStep);
  hbar_->setPageStep(kLargeScrollStep);
  hbar_->setFixedHeight(16);
  bottom->addWidget(label1_);
  bottom->addWidget(label2_);
  bottom->addWidget(hbar_, 1);
  grid->addWidget(bpanel_, 1, 0, 1, 2);

  connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) { Guarded([this, v] { OnVScroll(v); }); });
  connect(hbar_, &QScrollBar::valueChanged, this, [this](int v) { Guarded([this, v] { OnHScroll(v); }); });
}

QToolButton* TfrPreviewForm::Button(const char* name) const { return tpanel_->findChild<QToolButton*>(name); }

QAction* TfrPreviewForm::ZoomItem(int tag) const {
  for (QAction* a : zoomGroup_->actions())
    if (a->data().toInt() == tag) return a;
  return nullptr;
}

void TfrPreviewForm::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
  }
}

// ---- viewer ----

void TfrPreviewForm::TakePages(TfrReport& report) {
  report_ = &report;
  pages_ = std::move(report.PreparedPages);
  report.PreparedPages = NewEMFPages(&report);
  Find.Found = false;
}

void TfrPreviewForm::ReturnPages() {
  if (!report_ || !pages_) return;
  report_->PreparedPages = std::move(pages_);
  bounds_.clear();
  pbox_->update();
}

void TfrPreviewForm::CheckZoomItem() {
  QAction* item = nullptr;
  if (ZoomMode != zmFixed) item = ZoomItem(ZoomMode);
  else item = ZoomItem(int(std::lround(Scale * 100)));
  // A percentage that is not in the menu leaves every item unchecked.
  if (item) {
    item->setChecked(true);
  } else if (QAction* checked = zoomGroup_->checkedAction()) {
    zoomGroup_->setExclusive(false);
    checked->setChecked(false);
    zoomGroup_->setExclusive(true);
  }
}

void TfrPreviewForm::ResetView(bool resetPosition) {
  Scale = ClampScale(SavedZoom().Scale);
  ZoomMode = SavedZoom().Mode;
  CheckZoomItem();
  Find.Found = false;
  if (resetPosition) {
    CurrentPage = 1;
    OriginX = OriginY = LastHPos = LastVPos = 0;
    followScroll_ = false;
    hbar_->setValue(0);
    vbar_->setValue(0);
    followScroll_ = true;
  }
  ShowPageNumber();
  Relayout();
  if (pages_) {
    EngineStateScope state;
    for (int i = 0; i < pages_->Count(); ++i) {
      TPreparedPage& page = pages_->PageAt(i);
      page.Shown = false;
      page.Page.reset();
    }
  }
  pbox_->update();
}

void TfrPreviewForm::Relayout() {
  if (!pages_) return;
  PaintEnabled = false;
  const int count = pages_->Count();
  CurrentPage = std::clamp(CurrentPage, 1, std::max(1, count));
  SheetSize current;
  std::vector<SheetSize> sheets(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TPrinterMetrics& m = pages_->PageAt(i).Metrics;
    sheets[size_t(i)] = {m.SheetWidth, m.SheetHeight};
  }
  if (count > 0) current = sheets[size_t(CurrentPage - 1)];
  const int32_t boxWidth = pbox_->width(), boxHeight = pbox_->height();
  Scale = ZoomScale(ZoomMode, Scale, boxWidth, boxHeight, current);
  CheckZoomItem();
  Button("ZoomBtn")->setText(QString::number(std::lround(Scale * 100)) + "%");
  PreviewLayout layout = LayoutPages(sheets, Scale, ZoomMode, boxWidth, boxHeight);
  bounds_ = std::move(layout.Bounds);
  for (int i = 0; i < count; ++i) {
    const CanvasRect& r = bounds_[size_t(i)];
    pages_->PageAt(i).Bounds = {r.Left, r.Top, r.Right, r.Bottom};
  }
  followScroll_ = false;
  hbar_->setRange(0, layout.HorzMax);
  hbar_->setEnabled(layout.HorzMax != 0);
  vbar_->setRange(0, layout.VertMax);
  vbar_->setEnabled(layout.VertMax != 0);
  followScroll_ = true;
  if (isVisible()) scrollBox1_->setFocus();
  ScrollToCurrentPage();
  PaintEnabled = true;
}

void TfrPreviewForm::ScrollToCurrentPage() {
  if (bounds_.empty()) return;
  const int index = std::clamp(CurrentPage, 1, int(bounds_.size())) - 1;
  // The counter keeps the page chosen even when the last pages cannot
  // scroll up to the top of the box.
  followScroll_ = false;
  SetVPos(bounds_[size_t(index)].Top - kPageGap);
  followScroll_ = true;
}

void TfrPreviewForm::ShowPageNumber() {
  if (!pages_) {
    label1_->clear();
    return;
  }
  if (PageChangedHook) PageChangedHook(*this);
  label1_->setText(ToQString(LoadLocalizedString(55004)) + " " + QString::number(CurrentPage) + "/" +
                   QString::number(pages_->Count()));
}

void TfrPreviewForm::WheelUp() { SetVPos(VPos() - kSmallScrollStep * WheelFactor); }
void TfrPreviewForm::WheelDown() { SetVPos(VPos() + kSmallScrollStep * WheelFactor); }

int TfrPreviewForm::HPos() const { return hbar_->value(); }
int TfrPreviewForm::VPos() const { return vbar_->value(); }
void TfrPreviewForm::SetHPos(int position) { hbar_->setValue(position); }
void TfrPreviewForm::SetVPos(int position) { vbar_->setValue(position); }

void TfrPreviewForm::SetStatusText(const std::string& text) { label2_->setText(ToQString(text)); }

void TfrPreviewForm::OnVScroll(int position) {
  const int delta = LastVPos - position;
  LastVPos = position;
  OriginY = -position;
  pbox_->scroll(0, delta);
  if (!followScroll_) return;
  if (std::optional<int> page = PageAtCurrentLine(bounds_, position)) {
    CurrentPage = *page + 1;
    ShowPageNumber();
  }
}

void TfrPreviewForm::OnHScroll(int position) {
  const int delta = LastHPos - position;
  LastHPos = position;
  OriginX = -position;
  pbox_->scroll(delta, 0);
}

void TfrPreviewForm::ApplyZoom(int tag) {
  if (!pages_) return;
  OriginX = 0;
  if (tag == zmPageWidth || tag == zmWholePage || tag == zmTwoPages) {
    ZoomMode = TfrZoomMode(tag);
  } else {
    ZoomMode = zmFixed;
    Scale = ClampScale(tag / 100.0);
  }
  if (QAction* item = ZoomItem(tag)) item->setChecked(true);
  SetHPos(0);
  Relayout();
  SavedZoom() = {Scale, ZoomMode};
  pbox_->update();
}

void TfrPreviewForm::PgUpClick() {
  if (CurrentPage > 1) --CurrentPage;
  ShowPageNumber();
  ScrollToCurrentPage();
}

void TfrPreviewForm::PgDownClick() {
  if (!pages_) return;
  if (CurrentPage < pages_->Count()) ++CurrentPage;
  ShowPageNumber();
  ScrollToCurrentPage();
}

// ---- window ----

void TfrPreviewForm::ShowFor(TfrReport& report) {
  TakePages(report);
  InitButtons();
  ResetView(true);
  SetHPos(0);
  SetVPos(0);
  if (report.ModalPreview) exec();
  else show();
}

void TfrPreviewForm::Localize() {
  const int strings[] = {53020, 53021, 53022};
  for (int i = 0; i < 3; ++i) ZoomItem(i + 1)->setText(ToQString(LoadLocalizedString(strings[i])));
  for (const ButtonSpec& b : kButtons)
    if (b.hint) Button(b.name)->setToolTip(ToQString(LoadLocalizedString(b.hint)));
}

void TfrPreviewForm::InitButtons() {
  if (!report_) return;
  const TfrPreviewButtons flags = report_->PreviewButtons;
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
  switch (report_->InitialZoom) {
    case pzPageWidth: SavedZoom().Mode = zmPageWidth; break;
    case pzOnePage: SavedZoom().Mode = zmWholePage; break;
    case pzTwoPages: SavedZoom().Mode = zmTwoPages; break;
    case pzDefault: break;
  }
  for (QToolButton* b : tpanel_->findChildren<QToolButton*>()) b->setAutoRaise(true);
}

bool TfrPreviewForm::LoadFile(const std::string& fileName) {
  if (!report_) return false;
  // The file is read into a list of its own; the pages on screen go only
  // once it has been read whole.
  TfrEMFPagesPtr shown = std::move(pages_);
  TfrEMFPagesPtr reportPages = std::move(report_->PreparedPages);
  report_->PreparedPages = NewEMFPages(report_);
  try {
    EngineStateScope state;
    report_->LoadPreparedReport(fileName);
    if (report_->PreparedPages->Count() == 0) throw Exception("\"" + fileName + "\" holds no pages");
  } catch (const std::exception& e) {
    report_->PreparedPages = std::move(reportPages);
    pages_ = std::move(shown);
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
    return false;
  }
  pages_ = std::move(report_->PreparedPages);
  report_->PreparedPages = std::move(reportPages);
  shown.reset();
  CurrentPage = 1;
  Find = TfrFindState{};
  Relayout();
  PaintEnabled = false;
  ShowPageNumber();
  ScrollToCurrentPage();
  PaintEnabled = true;
  pbox_->update();
  return true;
}

bool TfrPreviewForm::SaveFile(const std::string& fileName) {
  if (!report_ || !pages_) return false;
  const std::string target = WithPreparedExtension(fileName);
  TfrEMFPagesPtr empty = std::move(report_->PreparedPages);
  report_->PreparedPages = std::move(pages_);
  bool saved = true;
  try {
    EngineStateScope state;
    report_->SavePreparedReport(target);
  } catch (const std::exception& e) {
    saved = false;
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
  }
  pages_ = std::move(report_->PreparedPages);
  report_->PreparedPages = std::move(empty);
  return saved;
}

void TfrPreviewForm::ZoomBtnClick() {
  QToolButton* zoom = Button("ZoomBtn");
  procMenu_->popup(zoom->mapToGlobal(QPoint(0, zoom->height())));
}

void TfrPreviewForm::LoadBtnClick() {
  if (!pages_ || preparing_) return;
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
  if (!pages_ || preparing_) return;
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
  if (!report_ || !pages_ || preparing_ || !PrintersAvailable()) return;
  TfrPrinter& printer = SharedPrinter();
  TfrPrintForm dialog(this);
  dialog.E1()->setText(QString::number(report_->DefaultCopies));
  dialog.CollateCB()->setChecked(report_->DefaultCollate);
  const int oldIndex = printer.CurrentIndex;
  if (report_->ShowPrintDialog && dialog.exec() != QDialog::Accepted) return;
  // Values that are not numbers are refused before anything changes.
  const int copies = dialog.Copies();
  std::string list;
  if (dialog.RB2()->isChecked()) list = std::to_string(CurrentPage);
  else if (dialog.RB3()->isChecked()) list = FromQString(dialog.E2()->text());
  ParsePrintPageList(list, pages_->Count());
  if (report_->RebuildPrinter && printer.CurrentIndex != oldIndex && report_->Rebuildable) {
    if (!report_->ChangePrinter(oldIndex, printer.CurrentIndex)) return;
    if (!Rebuild()) return;
  }
  ReturnPages();
  TPrintResult result;
  try {
    result = PrintWithProgress(*report_, list, copies, dialog.CollateCB()->isChecked(),
                               dialog.Parity(), this);
  } catch (...) {
    TakePages(*report_);
    ResetView(false);
    throw;
  }
  TakePages(*report_);
  ResetView(false);
}

bool TfrPreviewForm::Rebuild() {
  pages_.reset();
  bounds_.clear();
  bool prepared = false;
  try {
    prepared = PrepareWithProgress(*report_, this);
  } catch (...) {
    TakePages(*report_);
    ResetView(true);
    throw;
  }
  TakePages(*report_);
  ResetView(true);
  return prepared;
}

void TfrPreviewForm::PageSetupBtnClick() {
  if (!report_ || !pages_ || preparing_ || !PrintersAvailable()) return;
  // Pages read from a prepared file have no template to lay out again.
  if (!report_->Rebuildable) return;
  TfrPages& pages = *report_->Pages;
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
  report_->PrinterName = printer.CurrentName();
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
  if (!report_ || !pages_ || preparing_) return;
  TfrPreviewSearchForm dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  StartFind(FromQString(dialog.Edit1()->text()), dialog.CB1()->isChecked(), dialog.RB2()->isChecked());
}

void TfrPreviewForm::StartFind(const std::string& text, bool matchCase, bool fromCurrentPage) {
  Find.MatchCase = matchCase;
  Find.FindText = SearchKey(text, matchCase);
  if (!fromCurrentPage) {
    Find.FindPage = 0;
    Find.FindRecord = 0;
  } else if (CurrentPage != Find.FindPage + 1) {
    Find.FindPage = CurrentPage - 1;
    Find.FindRecord = 0;
  }
  FindNext();
}

void TfrPreviewForm::FindAgain() {
  if (Find.FindText.empty() || !pages_ || preparing_) return;
  if (CurrentPage != Find.FindPage + 1) {
    Find.FindPage = CurrentPage - 1;
    Find.FindRecord = 0;
  }
  FindNext();
}

void TfrPreviewForm::FindNext() {
  if (!pages_) return;
  PaintEnabled = false;
  struct Resume {
    TfrPreviewForm& form;
    ~Resume() {
      form.PaintEnabled = true;
      form.pbox_->update();
    }
  } resume{*this};
  const bool hadMark = Find.Found;
  Find.Found = false;
  while (Find.FindPage < pages_->Count()) {
    std::optional<TextMatch> match = FindOnPage(*pages_, Find.FindPage, Find.FindText, Find.MatchCase, Find.FindRecord);
    if (!match) {
      Find.FindRecord = 0;
      ++Find.FindPage;
      continue;
    }
    Find.Found = true;
    Find.FoundRect = match->Rect;
    Find.FindRecord = match->NextRecord;
    CurrentPage = Find.FindPage + 1;
    ShowPageNumber();
    const CanvasRect& page = bounds_[size_t(Find.FindPage)];
    const int32_t w = RoundToNearestEven(match->Rect.Width() * Scale);
    const int32_t h = RoundToNearestEven(match->Rect.Height() * Scale);
    const int32_t tx = RoundToNearestEven(match->Rect.Left * Scale);
    const int32_t ty = RoundToNearestEven(match->Rect.Top * Scale);
    const int32_t boxWidth = pbox_->width(), boxHeight = pbox_->height();
    followScroll_ = false;
    // The page's top 10 pixels below the box's top, unless the text would
    // then lie below the box: then the text's bottom at the box's bottom.
    const int32_t top = ty + kPageGap;
    SetVPos(top + h > boxHeight ? page.Top + top + h - boxHeight - kPageGap : page.Top - kPageGap);
    const int32_t left = page.Left + tx;
    SetHPos(left + w > boxWidth ? left + w - boxWidth + kPageGap : page.Left - kPageGap);
    followScroll_ = true;
    return;
  }
  if (hadMark) pbox_->update();
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
  if (!report_) return;
  if (report_->ModalPreview && isModal()) accept();
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
  if (!pages_) {
    event->ignore();
    return;
  }
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  bool handled = true;
  try {
    switch (event->key()) {
      case Qt::Key_Up: SetVPos(VPos() - kSmallScrollStep); break;
      case Qt::Key_Down: SetVPos(VPos() + kSmallScrollStep); break;
      case Qt::Key_Left: SetHPos(HPos() - kSmallScrollStep); break;
      case Qt::Key_Right: SetHPos(HPos() + kSmallScrollStep); break;
      case Qt::Key_PageUp:
        if (ctrl) PgUpClick();
        else SetVPos(VPos() - kLargeScrollStep);
        break;
      case Qt::Key_PageDown:
        if (ctrl) PgDownClick();
        else SetVPos(VPos() + kLargeScrollStep);
        break;
      case Qt::Key_Space: ZoomBtnClick(); break;
      case Qt::Key_Escape: ExitBtnClick(); break;
      case Qt::Key_Home:
        if (ctrl) SetVPos(0);
        else handled = false;
        break;
      case Qt::Key_End:
        if (ctrl) {
          CurrentPage = pages_->Count();
          ShowPageNumber();
          ScrollToCurrentPage();
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
  scrollBox1_->setFocus();
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
