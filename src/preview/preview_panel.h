// TfrPreview: the preview panel a host form embeds. It owns a hidden
// preview window and shows that window's viewer (and, on request, its
// toolbar) inside itself.
#pragma once

#include <QFrame>
#include <functional>
#include <memory>

class QMenu;
class QVBoxLayout;

namespace lf {

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

  // The hidden window whose viewer the panel shows.
  TfrPreviewForm& Window() const { return *window_; }

 protected:
  void moveEvent(QMoveEvent* event) override;

 private:
  std::unique_ptr<TfrPreviewForm> window_;  // never shown; its viewer lives in this panel while bound
  QVBoxLayout* layout_;
  TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
  bool showToolbar_ = false;
};

}  // namespace lf
