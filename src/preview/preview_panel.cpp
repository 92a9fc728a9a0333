// TfrPreview: the embedded viewer.
#include "preview/preview_panel.h"

#include <QVBoxLayout>

#include "preview/preview_form.h"

namespace lf {

TfrPreview::TfrPreview(QWidget* parent) : QFrame(parent), window_(std::make_unique<TfrPreviewForm>()) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  window_->PageChangedHook = [this](TfrPreviewForm& form) {
    if (OnPageChanged) OnPageChanged(*this, form.CurrentPage);
  };
  window_->Localize();
  SetScrollBars(TScrollStyle::ssBoth);
}

TfrPreview::~TfrPreview() {
  // The viewer goes back to its window, which destroys it with the pages.
  window_->TPanel()->setParent(window_.get());
  window_->PreviewPanel()->setParent(window_.get());
  window_.reset();
}

void TfrPreview::Bind(TfrReport& report) {
  if (showToolbar_ && window_->TPanel()->parentWidget() != this) layout_->insertWidget(0, window_->TPanel());
  if (window_->PreviewPanel()->parentWidget() != this) layout_->addWidget(window_->PreviewPanel(), 1);
  window_->SetToolbarEmbedded(true);
  window_->PreviewPanel()->show();
  window_->TakePages(report);
  window_->InitButtons();
  window_->ResetView(true);
  // Embedded, a wheel step moves further.
  window_->WheelFactor = kEmbeddedWheelFactor;
}

void TfrPreview::Unbind() { window_->ReturnPages(); }

int TfrPreview::CurrentPage() const { return window_->CurrentPage; }

void TfrPreview::SetScrollBars(TScrollStyle style) {
  scrollBars_ = style;
  window_->RPanel()->setVisible(style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth);
  window_->BPanel()->setVisible(style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth);
}

void TfrPreview::SetShowToolbar(bool show) {
  showToolbar_ = show;
  if (show && window_->TPanel()->parentWidget() != this) {
    layout_->insertWidget(0, window_->TPanel());
    window_->TPanel()->show();
  } else if (window_->TPanel()->parentWidget() == this) {
    layout_->removeWidget(window_->TPanel());
    window_->TakeBackToolbar();
  }
}

void TfrPreview::moveEvent(QMoveEvent* event) {
  QFrame::moveEvent(event);
  window_->Relayout();
}

}  // namespace lf
