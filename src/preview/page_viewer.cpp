// PageViewer: the viewer's components, its state changes and scrolling.
#include "preview/page_viewer.h"

#include <QActionGroup>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "platform/message_box.h"
#include "preview/page_box.h"
#include "preview/qt_text.h"

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

// The largest vertical position before the first layout, pixels.
constexpr int kInitialVertMax = 32000;

}  // namespace

PageViewer::PageViewer(QWidget* parent) : QWidget(parent) {
  setObjectName("PreviewPanel");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);

  scrollBox1_ = new QWidget(this);
  scrollBox1_->setObjectName("ScrollBox1");
  scrollBox1_->setFocusPolicy(Qt::StrongFocus);
  auto* boxLayout = new QVBoxLayout(scrollBox1_);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  pbox_ = new TfrPBox(*this, scrollBox1_);
  boxLayout->addWidget(pbox_);
  grid->addWidget(scrollBox1_, 0, 0);

  rpanel_ = new QWidget(this);
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
  vbar_->setRange(0, kInitialVertMax);
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

  bpanel_ = new QWidget(this);
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

  BuildMenu();
  view_.SetZoom(SavedZoom().Mode, SavedZoom().Scale);
}

PageViewer::~PageViewer() {
  paintEnabled_ = false;
  pages_.reset();
}

void PageViewer::BuildMenu() {
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

void PageViewer::Localize() {
  for (const ZoomItemSpec& z : kZoomItems)
    if (z.string) ZoomItem(z.tag)->setText(ToQString(LoadLocalizedString(z.string)));
}

QAction* PageViewer::ZoomItem(int tag) const {
  for (QAction* a : zoomGroup_->actions())
    if (a->data().toInt() == tag) return a;
  return nullptr;
}

QMenu* PageViewer::ContextMenu() const {
  QMenu* menu = popupMenu_ ? popupMenu_() : nullptr;
  return menu ? menu : procMenu_;
}

void PageViewer::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55207), e.what(), mbOK | mbIconError);
  }
}

void PageViewer::TakePages(TfrReport& report) {
  report_ = &report;
  pages_ = std::move(report.PreparedPages);
  report.PreparedPages = NewEMFPages(&report);
  found_.reset();
}

void PageViewer::ReturnPages() {
  if (!report_ || !pages_) return;
  report_->PreparedPages = std::move(pages_);
  view_.Clear();
  pbox_->update();
}

TfrEMFPagesPtr PageViewer::ReleasePages() {
  view_.Clear();
  found_.reset();
  pbox_->update();
  return std::move(pages_);
}

void PageViewer::ShowPages(TfrEMFPagesPtr pages) {
  pages_ = std::move(pages);
  found_.reset();
  view_.SetCurrentPage(1);
  Relayout();
  {
    PaintPause pause(*this);
    ShowPageNumber();
    ScrollToCurrentPage();
  }
}

void PageViewer::CheckZoomItem() {
  QAction* item = nullptr;
  if (view_.Mode() != zmFixed) item = ZoomItem(view_.Mode());
  else item = ZoomItem(int(std::lround(view_.Scale() * 100)));
  // A percentage that is not in the menu leaves every item unchecked.
  if (item) {
    item->setChecked(true);
  } else if (QAction* checked = zoomGroup_->checkedAction()) {
    zoomGroup_->setExclusive(false);
    checked->setChecked(false);
    zoomGroup_->setExclusive(true);
  }
}

void PageViewer::ResetView(bool resetPosition) {
  view_.SetZoom(SavedZoom().Mode, SavedZoom().Scale);
  CheckZoomItem();
  found_.reset();
  if (resetPosition) {
    view_.SetCurrentPage(1);
    view_.SetPositions({});
    ScrollQuietly(0, 0);
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

void PageViewer::Relayout() {
  if (!pages_) return;
  paintEnabled_ = false;
  const int count = pages_->Count();
  std::vector<SheetSize> sheets(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TPrinterMetrics& m = pages_->PageAt(i).Metrics;
    sheets[size_t(i)] = {m.SheetWidth, m.SheetHeight};
  }
  view_.Layout(sheets, pbox_->width(), pbox_->height());
  CheckZoomItem();
  if (zoomShown_) zoomShown_(int(std::lround(view_.Scale() * 100)));
  for (int i = 0; i < count; ++i) {
    const CanvasRect& r = view_.Bounds()[size_t(i)];
    pages_->PageAt(i).Bounds = {r.Left, r.Top, r.Right, r.Bottom};
  }
  followScroll_ = false;
  hbar_->setRange(0, view_.HorzMax());
  hbar_->setEnabled(view_.HorzMax() != 0);
  vbar_->setRange(0, view_.VertMax());
  vbar_->setEnabled(view_.VertMax() != 0);
  followScroll_ = true;
  if (focusOnLayout_ && isVisible()) scrollBox1_->setFocus();
  ScrollToCurrentPage();
  paintEnabled_ = true;
}

void PageViewer::ScrollQuietly(std::optional<int> h, std::optional<int> v) {
  followScroll_ = false;
  if (v) vbar_->setValue(*v);
  if (h) hbar_->setValue(*h);
  followScroll_ = true;
}

void PageViewer::ScrollToCurrentPage() {
  // The counter keeps the page chosen even when the last pages cannot
  // scroll up to the top of the box.
  if (std::optional<int32_t> top = view_.CurrentPageTop()) ScrollQuietly(std::nullopt, *top);
}

void PageViewer::ShowPageNumber() {
  if (!pages_) {
    label1_->clear();
    return;
  }
  if (pageChanged_) pageChanged_(view_.CurrentPage());
  label1_->setText(ToQString(LoadLocalizedString(55004)) + " " + QString::number(view_.CurrentPage()) + "/" +
                   QString::number(pages_->Count()));
}

void PageViewer::GoToPage(int page) {
  view_.SetCurrentPage(page);
  ShowPageNumber();
  ScrollToCurrentPage();
}

void PageViewer::WheelUp() { SetVPos(VPos() - kSmallScrollStep * wheelFactor_); }
void PageViewer::WheelDown() { SetVPos(VPos() + kSmallScrollStep * wheelFactor_); }

int PageViewer::HPos() const { return hbar_->value(); }
int PageViewer::VPos() const { return vbar_->value(); }
void PageViewer::SetHPos(int position) { hbar_->setValue(position); }
void PageViewer::SetVPos(int position) { vbar_->setValue(position); }

void PageViewer::SetStatusText(const std::string& text) { label2_->setText(ToQString(text)); }

void PageViewer::OnVScroll(int position) {
  ScrollPositions p = view_.Positions();
  const int delta = p.V - position;
  p.V = position;
  view_.SetPositions(p);
  pbox_->scroll(0, delta);
  if (!followScroll_) return;
  if (std::optional<int> page = view_.PageAtLine(position)) {
    view_.SetCurrentPage(*page + 1);
    ShowPageNumber();
  }
}

void PageViewer::OnHScroll(int position) {
  ScrollPositions p = view_.Positions();
  const int delta = p.H - position;
  p.H = position;
  view_.SetPositions(p);
  pbox_->scroll(delta, 0);
}

void PageViewer::ApplyZoom(int tag) {
  if (!pages_) return;
  view_.ApplyZoomTag(tag);
  if (QAction* item = ZoomItem(tag)) item->setChecked(true);
  SetHPos(0);
  Relayout();
  SavedZoom() = {view_.Scale(), view_.Mode()};
  pbox_->update();
}

void PageViewer::PgUpClick() {
  if (view_.CurrentPage() > 1) view_.SetCurrentPage(view_.CurrentPage() - 1);
  ShowPageNumber();
  ScrollToCurrentPage();
}

void PageViewer::PgDownClick() {
  if (!pages_) return;
  if (view_.CurrentPage() < pages_->Count()) view_.SetCurrentPage(view_.CurrentPage() + 1);
  ShowPageNumber();
  ScrollToCurrentPage();
}

void PageViewer::ShowFound(const FoundText& found) {
  found_ = found;
  view_.SetCurrentPage(found.Page + 1);
  ShowPageNumber();
  const ScrollPositions to = view_.PositionsShowing(found.Page, found.Rect);
  ScrollQuietly(to.H, to.V);
}

void PageViewer::ClearFound() { found_.reset(); }

PageViewer::PaintPause::PaintPause(PageViewer& viewer) : viewer_(viewer) { viewer_.paintEnabled_ = false; }

PageViewer::PaintPause::~PaintPause() {
  viewer_.paintEnabled_ = true;
  viewer_.pbox_->update();
}

}  // namespace lf
