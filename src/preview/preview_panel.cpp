// TfrPreview: the embedded viewer.
#include "preview/preview_panel.h"

#include <QVBoxLayout>

#include "preview/page_viewer.h"
#include "preview/preview_form.h"

namespace lf {

TfrPreview::TfrPreview(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  viewer_ = new PageViewer(this);
  layout_->addWidget(viewer_, 1);
  viewer_->SetPageChangedHandler([this](int page) {
    if (OnPageChanged) OnPageChanged(*this, page);
  });
  // An embedding panel's own popup menu takes the place of the zoom menu.
  viewer_->SetPopupMenuSource([this] { return PopupMenu; });
  viewer_->hide();
  window_ = std::make_unique<TfrPreviewForm>(*viewer_);
  window_->SetToolbarEmbedded(true);
  window_->Localize();
  SetScrollBars(TScrollStyle::ssBoth);
}

TfrPreview::~TfrPreview() {
  // The toolbar goes back to its window, which goes before the viewer.
  if (window_->TPanel()->parentWidget() == this) window_->TPanel()->setParent(window_.get());
  window_.reset();
}

void TfrPreview::Bind(TfrReport& report) {
  if (showToolbar_ && window_->TPanel()->parentWidget() != this) layout_->insertWidget(0, window_->TPanel());
  viewer_->show();
  viewer_->TakePages(report);
  window_->InitButtons();
  viewer_->ResetView(true);
  // Embedded, a wheel step moves further.
  viewer_->SetWheelFactor(kEmbeddedWheelFactor);
}

void TfrPreview::Unbind() { viewer_->ReturnPages(); }

int TfrPreview::CurrentPage() const { return viewer_->CurrentPage(); }

void TfrPreview::SetScrollBars(TScrollStyle style) {
  scrollBars_ = style;
  viewer_->RPanel()->setVisible(style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth);
  viewer_->BPanel()->setVisible(style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth);
}

void TfrPreview::SetShowToolbar(bool show) {
  showToolbar_ = show;
  if (show && window_->TPanel()->parentWidget() != this) {
    layout_->insertWidget(0, window_->TPanel());
    window_->TPanel()->show();
  } else if (!show && window_->TPanel()->parentWidget() == this) {
    layout_->removeWidget(window_->TPanel());
    window_->TakeBackToolbar();
  }
}

void TfrPreview::moveEvent(QMoveEvent* event) {
  QFrame::moveEvent(event);
  viewer_->Relayout();
}

}  // namespace lf
