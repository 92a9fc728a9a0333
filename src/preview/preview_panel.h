// TfrPreview: the preview panel a host form embeds. It shows the pages in
// a page viewer of its own; a hidden preview window working on that viewer
// lends the panel its toolbar (on request) and its commands.
#pragma once

#include <QFrame>
#include <functional>
#include <memory>

class QMenu;
class QVBoxLayout;

namespace lf {

class PageViewer;
class TfrPreviewForm;
class TfrReport;

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TfrPreview : public QFrame {
 public:
  explicit TfrPreview(QWidget* parent = nullptr);
  ~TfrPreview() override;

  // Shows the report's prepared pages in the panel (taking them from the
  // report; the pages shown before are destroyed).
  void Bind(TfrReport& report);
  // Gives the pages back to the report.
  void Unbind();
  int CurrentPage() const;

  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle style);
  bool ShowToolbar() const { return showToolbar_; }
  void SetShowToolbar(bool show);

  // Called with the panel and the page number each time the counter changes.
  std::function<void(TfrPreview&, int)> OnPageChanged;
  // Opens instead of the zoom menu on a right click when set; not owned.
  QMenu* PopupMenu = nullptr;

  // The viewer that shows the pages.
  PageViewer& Viewer() const { return *viewer_; }
  // The hidden window: the toolbar and the commands (print, page setup,
  // open, save, find) on the panel's viewer.
  TfrPreviewForm& Window() const { return *window_; }

 protected:
  void moveEvent(QMoveEvent* event) override;

 private:
  QVBoxLayout* layout_;
  PageViewer* viewer_;                      // child of this panel
  std::unique_ptr<TfrPreviewForm> window_;  // never shown; destroyed before viewer_
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  bool showToolbar_ = false;
};

}  // namespace lf
