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
#include "preview/preview_form.h"
#include "preview/preview_panel.h"
#include "preview/qt_text.h"

namespace lf {
namespace {

QRect ToQRect(const CanvasRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

CanvasRect Shifted(const CanvasRect& r, int32_t dx, int32_t dy) {
  return {SaturateToInt32(int64_t{r.Left} + dx), SaturateToInt32(int64_t{r.Top} + dy), SaturateToInt32(int64_t{r.Right} + dx),
          SaturateToInt32(int64_t{r.Bottom} + dy)};
}

}  // namespace

TfrPBox::TfrPBox(TfrPreviewForm& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("PBox");
  setAttribute(Qt::WA_OpaquePaintEvent);  // the box never erases its background separately
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void TfrPBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  try {
    form_.Relayout();
  } catch (const std::exception& e) {
    form_.SetStatusText(e.what());
  }
}

void TfrPBox::paintEvent(QPaintEvent* event) {
  if (!form_.PaintEnabled) return;
  try {
    Paint(event);
  } catch (const std::exception& e) {
    form_.SetStatusText(e.what());
  }
}

void TfrPBox::Paint(QPaintEvent* event) {
  QPainter painter(this);
  TfrEMFPages* pages = form_.Pages();
  if (!pages) {
    painter.fillRect(rect(), palette().button());
    return;
  }
  // Drawing changes the engine's current page and document mode, and may
  // happen while a preparation waits for events.
  EngineStateScope state;
  const std::vector<CanvasRect>& bounds = form_.PageBounds();
  const QRegion clip = event->region();
  // Sheets are painted down to this depth; a box taller than that paints
  // down to its own bottom.
  const int depth = std::max(kPaintDepth, height());
  QRegion background = clip;
  std::vector<int> shown;
  const int count = std::min<int>(pages->Count(), int(bounds.size()));
  for (int i = 0; i < count; ++i) {
    CanvasRect r = Shifted(bounds[i], form_.OriginX, form_.OriginY);
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
    CanvasRect r = Shifted(bounds[i], form_.OriginX, form_.OriginY);
    painter.fillRect(ToQRect(r), Qt::white);
    painter.drawRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    painter.drawLine(r.Left + 1, r.Bottom, r.Right, r.Bottom);
    painter.drawLine(r.Right, r.Bottom, r.Right, r.Top + 1);
  }
  PainterCanvas canvas(painter);
  for (int i = 0; i < count; ++i) {
    TPreparedPage& page = pages->PageAt(i);
    if (!page.Shown) {
      // Out of view: only release its objects.
      if (page.Page) pages->Draw(i, canvas, CanvasRect{});
      continue;
    }
    CanvasRect r = Shifted(bounds[i], form_.OriginX, form_.OriginY);
    if (!page.SheetCoordinates) {
      const TPrinterMetrics& m = page.Metrics;
      const double s = form_.Scale;
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
      form_.SetStatusText(e.what());
    }
    canvas.Restore();
    painter.restore();
  }
  // The text the last search found, inverted.
  const TfrFindState& find = form_.Find;
  if (find.Found && find.FindPage < count) {
    const CanvasRect& page = bounds[find.FindPage];
    const double s = form_.Scale;
    QRect mark(page.Left + form_.OriginX + RoundToNearestEven(find.FoundRect.Left * s),
               page.Top + form_.OriginY + RoundToNearestEven(find.FoundRect.Top * s),
               RoundToNearestEven(find.FoundRect.Width() * s), RoundToNearestEven(find.FoundRect.Height() * s) + 1);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(mark, Qt::white);
  }
}

bool TfrPBox::PagePoint(int x, int y, int& index, int32_t& ux, int32_t& uy) const {
  const int32_t px = x - form_.OriginX, py = y - form_.OriginY;
  std::optional<int> hit = PageAtPoint(form_.PageBounds(), px, py);
  if (!hit || *hit >= form_.Pages()->Count()) return false;
  index = *hit;
  const CanvasRect& r = form_.PageBounds()[*hit];
  ux = RoundToNearestEven((px - r.Left) / form_.Scale);
  uy = RoundToNearestEven((py - r.Top) / form_.Scale);
  return true;
}

void TfrPBox::mousePressEvent(QMouseEvent* event) {
  if (!form_.Pages()) return;
  const int x = int(event->position().x()), y = int(event->position().y());
  try {
    if (event->button() == Qt::LeftButton) {
      LeftDown(x, y);
    } else if (event->button() == Qt::RightButton) {
      QMenu* menu = form_.ProcMenu();
      // An embedding panel's own popup menu takes the place of the zoom menu.
      if (auto* panel = dynamic_cast<TfrPreview*>(form_.PreviewPanel()->parentWidget()); panel && panel->PopupMenu)
        menu = panel->PopupMenu;
      menu->popup(event->globalPosition().toPoint());
    }
  } catch (const std::exception& e) {
    form_.SetStatusText(e.what());
  }
}

void TfrPBox::LeftDown(int x, int y) {
  ClickedPage = form_.CurrentPage;
  int index = 0;
  int32_t ux = 0, uy = 0;
  if (PagePoint(x, y, index, ux, uy)) {
    ClickedPage = index + 1;
    std::string link;
    int cursor = kCursorDefault;
    bool consumed = false;
    {
      EngineStateScope state;  // a preparation may be waiting for events
      consumed = form_.Pages()->HitTest(index, ux, uy, link, cursor, true);
    }
    if (consumed) {
      // The click went to the object. A page link moves the view.
      std::optional<int32_t> target = PageLinkTarget(link);
      if (target && *target <= form_.Pages()->Count()) {
        form_.CurrentPage = *target;
        form_.ShowPageNumber();
        form_.ScrollToCurrentPage();
      } else if (!form_.Pages()->LinkStatus.empty()) {
        form_.SetStatusText(form_.Pages()->LinkStatus);
      }
      return;
    }
  }
  Dragging = true;
  DragX = x;
  DragY = y;
  form_.CurrentPage = ClickedPage;
  form_.ShowPageNumber();
}

void TfrPBox::mouseMoveEvent(QMouseEvent* event) {
  if (!form_.Pages()) return;
  const int x = int(event->position().x()), y = int(event->position().y());
  try {
    if (Dragging) {
      // The sheets follow the mouse.
      form_.SetHPos(form_.HPos() + DragX - x);
      form_.SetVPos(form_.VPos() + DragY - y);
      DragX = x;
      DragY = y;
    } else if (form_.Report()) {
      Hover(x, y);
    }
  } catch (const std::exception& e) {
    form_.SetStatusText(e.what());
  }
}

void TfrPBox::Hover(int x, int y) {
  int index = 0;
  int32_t ux = 0, uy = 0;
  if (!PagePoint(x, y, index, ux, uy)) return;
  std::string link;
  int cursor = kCursorDefault;
  bool over = false;
  {
    EngineStateScope state;
    over = form_.Pages()->HitTest(index, ux, uy, link, cursor, false);
  }
  setCursor(over && cursor == kCursorHandPoint ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (std::optional<int32_t> n = PageLinkNumber(link))
    form_.SetStatusText(LoadLocalizedString(55004) + " " + std::to_string(*n));
  else
    form_.SetStatusText(link);
}

void TfrPBox::mouseReleaseEvent(QMouseEvent*) { Dragging = false; }

void TfrPBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The press of a double click: it never starts a drag or follows a link.
  Dragging = false;
  if (!form_.Pages() || event->button() != Qt::LeftButton) return;
  if (ClickedPage != 0) {
    form_.CurrentPage = ClickedPage;
    form_.ShowPageNumber();
  }
}

void TfrPBox::wheelEvent(QWheelEvent* event) {
  const int dy = event->angleDelta().y();
  if (dy > 0) form_.WheelUp();
  else if (dy < 0) form_.WheelDown();
  event->accept();
}

}  // namespace lf
