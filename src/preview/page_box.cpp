// TfrPBox: painting the sheets in view and the mouse on them.
#include "preview/page_box.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "platform/painter_canvas.h"
#include "platform/saturate.h"
#include "preview/page_viewer.h"
#include "preview/qt_text.h"

namespace lf {
namespace {

QRect ToQRect(const CanvasRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

}  // namespace

TfrPBox::TfrPBox(PageViewer& viewer, QWidget* parent) : QWidget(parent), viewer_(viewer) {
  setObjectName("PBox");
  setAttribute(Qt::WA_OpaquePaintEvent);  // the box never erases its background separately
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void TfrPBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  try {
    viewer_.Relayout();
  } catch (const std::exception& e) {
    viewer_.SetStatusText(e.what());
  }
}

void TfrPBox::paintEvent(QPaintEvent* event) {
  if (!viewer_.PaintEnabled()) return;
  try {
    Paint(event);
  } catch (const std::exception& e) {
    viewer_.SetStatusText(e.what());
  }
}

void TfrPBox::Paint(QPaintEvent* event) {
  QPainter painter(this);
  TfrEMFPages* pages = viewer_.Pages();
  if (!pages) {
    painter.fillRect(rect(), palette().button());
    return;
  }
  // Drawing changes the engine's current page and document mode, and may
  // happen while a preparation waits for events.
  EngineStateScope state;
  const PageView& view = viewer_.View();
  const QRegion clip = event->region();
  // Sheets are painted down to this depth; a box taller than that paints
  // down to its own bottom.
  const int depth = std::max(kPaintDepth, height());
  QRegion background = clip;
  std::vector<int> shown;
  const int count = std::min<int>(pages->Count(), view.PageCount());
  for (int i = 0; i < count; ++i) {
    CanvasRect r = view.SheetInBox(i);
    TPreparedPage& page = pages->PageAt(i);
    bool visible = r.Top <= depth && r.Bottom >= 0 && clip.intersects(ToQRect(r));
    page.Shown = visible;
    if (!visible) continue;
    shown.push_back(i);
    background -= ToQRect(r).adjusted(1, 1, -1, -1);
  }
  painter.setClipRegion(background);
  painter.fillRect(rect(), QColor(kPageBoxGray, kPageBoxGray, kPageBoxGray));
  painter.setClipRegion(clip);
  painter.setPen(QPen(Qt::black, 1));
  for (int i : shown) {
    CanvasRect r = view.SheetInBox(i);
    painter.fillRect(ToQRect(r), Qt::white);
    painter.drawRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    painter.drawLine(r.Left + 1, r.Bottom, r.Right, r.Bottom);
    painter.drawLine(r.Right, r.Bottom, r.Right, r.Top + 1);
  }
  PainterCanvas canvas(painter);
  const double s = view.Scale();
  for (int i = 0; i < count; ++i) {
    TPreparedPage& page = pages->PageAt(i);
    if (!page.Shown) {
      // Out of view: only release its objects.
      if (page.Page) pages->Draw(i, canvas, CanvasRect{});
      continue;
    }
    CanvasRect r = view.SheetInBox(i);
    if (!page.SheetCoordinates) {
      const TPrinterMetrics& m = page.Metrics;
      const int64_t left = int64_t{r.Left} + RoundToNearestEven((static_cast<double>(m.OffsetX) + page.Margins.Left) * s);
      const int64_t top = int64_t{r.Top} + RoundToNearestEven((static_cast<double>(m.OffsetY) + page.Margins.Top) * s);
      const double width = static_cast<double>(m.PrintWidth) - page.Margins.Left - page.Margins.Right;
      const double height = static_cast<double>(m.PrintHeight) - page.Margins.Top - page.Margins.Bottom;
      r = {SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(left + RoundToNearestEven(width * s)),
           SaturateToInt32(top + RoundToNearestEven(height * s))};
    }
    painter.save();
    canvas.Save();
    try {
      pages->Draw(i, canvas, r);
    } catch (const std::exception& e) {
      viewer_.SetStatusText(e.what());
    }
    canvas.Restore();
    painter.restore();
  }
  // The text the last search found, inverted.
  if (const std::optional<FoundText>& found = viewer_.Found(); found && found->Page < count) {
    const CanvasRect mark = view.UnitsInBox(found->Page, found->Rect);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(QRect(mark.Left, mark.Top, mark.Width(), mark.Height() + 1), Qt::white);
  }
}

void TfrPBox::mousePressEvent(QMouseEvent* event) {
  if (!viewer_.Pages()) return;
  const int x = int(event->position().x()), y = int(event->position().y());
  try {
    if (event->button() == Qt::LeftButton) LeftDown(x, y);
    else if (event->button() == Qt::RightButton) viewer_.ContextMenu()->popup(event->globalPosition().toPoint());
  } catch (const std::exception& e) {
    viewer_.SetStatusText(e.what());
  }
}

void TfrPBox::LeftDown(int x, int y) {
  clickedPage_ = viewer_.CurrentPage();
  std::optional<PagePoint> at = viewer_.View().PageAt(x, y);
  if (at && at->Index < viewer_.Pages()->Count()) {
    clickedPage_ = at->Index + 1;
    std::string link;
    int cursor = kCursorDefault;
    bool consumed = false;
    {
      EngineStateScope state;  // a preparation may be waiting for events
      consumed = viewer_.Pages()->HitTest(at->Index, at->X, at->Y, link, cursor, true);
    }
    if (consumed) {
      // The click went to the object. A page link moves the view.
      std::optional<int32_t> target = PageLinkTarget(link);
      if (target && *target <= viewer_.Pages()->Count()) viewer_.GoToPage(*target);
      else if (!viewer_.Pages()->LinkStatus.empty()) viewer_.SetStatusText(viewer_.Pages()->LinkStatus);
      return;
    }
  }
  dragging_ = true;
  dragX_ = x;
  dragY_ = y;
  viewer_.SetCurrentPage(clickedPage_);
  viewer_.ShowPageNumber();
}

void TfrPBox::mouseMoveEvent(QMouseEvent* event) {
  if (!viewer_.Pages()) return;
  const int x = int(event->position().x()), y = int(event->position().y());
  try {
    if (dragging_) {
      // The sheets follow the mouse.
      viewer_.SetHPos(viewer_.HPos() + dragX_ - x);
      viewer_.SetVPos(viewer_.VPos() + dragY_ - y);
      dragX_ = x;
      dragY_ = y;
    } else if (viewer_.Report()) {
      Hover(x, y);
    }
  } catch (const std::exception& e) {
    viewer_.SetStatusText(e.what());
  }
}

void TfrPBox::Hover(int x, int y) {
  std::optional<PagePoint> at = viewer_.View().PageAt(x, y);
  if (!at || at->Index >= viewer_.Pages()->Count()) return;
  std::string link;
  int cursor = kCursorDefault;
  bool over = false;
  {
    EngineStateScope state;
    over = viewer_.Pages()->HitTest(at->Index, at->X, at->Y, link, cursor, false);
  }
  setCursor(over && cursor == kCursorHandPoint ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (std::optional<int32_t> n = PageLinkNumber(link))
    viewer_.SetStatusText(LoadLocalizedString(55004) + " " + std::to_string(*n));
  else
    viewer_.SetStatusText(link);
}

void TfrPBox::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void TfrPBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press of a double click: it never starts a drag or follows a link.
  dragging_ = false;
  if (!viewer_.Pages() || event->button() != Qt::LeftButton) return;
  if (clickedPage_ != 0) {
    viewer_.SetCurrentPage(clickedPage_);
    viewer_.ShowPageNumber();
  }
}

void TfrPBox::wheelEvent(QWheelEvent* event) {
  const int dy = event->angleDelta().y();
  if (dy > 0) viewer_.WheelUp();
  else if (dy < 0) viewer_.WheelDown();
  event->accept();
}

}  // namespace lf
