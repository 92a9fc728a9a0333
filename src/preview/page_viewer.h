// PageViewer: the page viewer: a report's prepared pages as sheets on a
// gray box, with the scroll bars, the page buttons, the page counter, the
// status line and the zoom menu. It holds the pages while they are shown
// and all view state. The preview window and the embedded preview panel
// each show their pages in one.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "engine/model/report.h"
#include "platform/canvas.h"
#include "preview/page_view.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollBar;

namespace lf {

class TfrPBox;

// Vertical and horizontal scroll steps, pixels.
inline constexpr int kSmallScrollStep = 10;
inline constexpr int kLargeScrollStep = 200;
// Wheel steps in small steps: in the window, and embedded in a host form.
inline constexpr int kWindowWheelFactor = 1;
inline constexpr int kEmbeddedWheelFactor = 3;

// A text the search found: its page (0-based) and place in page units.
struct FoundText {
  int Page = 0;
  CanvasRect Rect;
};

class PageViewer : public QWidget {
 public:
  explicit PageViewer(QWidget* parent = nullptr);
  ~PageViewer() override;

  // Takes the report's prepared pages (destroying the ones shown before);
  // the report gets a new empty list.
  void TakePages(TfrReport& report);
  // Hands the pages back to the report.
  void ReturnPages();
  // Takes the shown pages away (the viewer shows none until it gets some).
  TfrEMFPagesPtr ReleasePages();
  // Shows these pages of the same report from page 1 at the zoom in use.
  void ShowPages(TfrEMFPagesPtr pages);
  TfrReport* Report() const { return report_; }
  TfrEMFPages* Pages() const { return pages_.get(); }

  // Starts from the saved zoom; with resetPosition at page 1, scrolled home.
  void ResetView(bool resetPosition);
  // Zoom, sheet positions and scroll ranges for the page box's size.
  void Relayout();
  void ScrollToCurrentPage();
  void ShowPageNumber();
  // Makes page (from 1) the current one and scrolls to it.
  void GoToPage(int page);
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
  // Zoom item texts from the localized strings.
  void Localize();

  // The view state: zoom, layout, current page, scroll positions.
  const PageView& View() const { return view_; }
  int CurrentPage() const { return view_.CurrentPage(); }
  // The counter is not updated (ShowPageNumber, GoToPage do).
  void SetCurrentPage(int page) { view_.SetCurrentPage(page); }
  double Scale() const { return view_.Scale(); }
  TfrZoomMode ZoomMode() const { return view_.Mode(); }
  int WheelFactor() const { return wheelFactor_; }
  void SetWheelFactor(int factor) { wheelFactor_ = factor; }
  // The page box paints only while true.
  bool PaintEnabled() const { return paintEnabled_; }

  // Marks the found text inverted and scrolls it into view.
  void ShowFound(const FoundText& found);
  void ClearFound();
  const std::optional<FoundText>& Found() const { return found_; }

  // Suspends painting while it lives; the box repaints at its end.
  class PaintPause {
   public:
    explicit PaintPause(PageViewer& viewer);
    ~PaintPause();
    PaintPause(const PaintPause&) = delete;
    PaintPause& operator=(const PaintPause&) = delete;

   private:
    PageViewer& viewer_;
  };

  // Called with the page number each time the counter changes.
  void SetPageChangedHandler(std::function<void(int)> handler) { pageChanged_ = std::move(handler); }
  // Called with the zoom in percent after each layout.
  void SetZoomShownHandler(std::function<void(int)> handler) { zoomShown_ = std::move(handler); }
  // Opens instead of the zoom menu on a right click when it gives a menu.
  void SetPopupMenuSource(std::function<QMenu*()> source) { popupMenu_ = std::move(source); }
  QMenu* ContextMenu() const;
  // A layout gives the focus to the scroll box while the viewer is visible
  // (in a window of its own; an embedded viewer leaves the focus alone).
  void SetFocusOnLayout(bool on) { focusOnLayout_ = on; }

  // Components.
  QWidget* ScrollBox1() const { return scrollBox1_; }
  TfrPBox* PBox() const { return pbox_; }
  QWidget* RPanel() const { return rpanel_; }
  QWidget* BPanel() const { return bpanel_; }
  QScrollBar* VScrollBar() const { return vbar_; }
  QScrollBar* HScrollBar() const { return hbar_; }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QMenu* ProcMenu() const { return procMenu_; }
  // The zoom menu item with that tag (or null).
  QAction* ZoomItem(int tag) const;

 private:
  void BuildMenu();
  void CheckZoomItem();
  void OnVScroll(int position);
  void OnHScroll(int position);
  // Scrolls without letting the current page follow the line.
  void ScrollQuietly(std::optional<int> h, std::optional<int> v);
  // Runs a command from an event handler: errors go to a message box.
  void Guarded(const std::function<void()>& command);

  TfrReport* report_ = nullptr;  // not owned
  TfrEMFPagesPtr pages_;
  PageView view_;
  std::optional<FoundText> found_;
  bool paintEnabled_ = true;
  bool followScroll_ = true;  // a vertical scroll moves the current page
  bool focusOnLayout_ = false;
  int wheelFactor_ = kWindowWheelFactor;
  std::function<void(int)> pageChanged_;
  std::function<void(int)> zoomShown_;
  std::function<QMenu*()> popupMenu_;

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
};

}  // namespace lf
