// TfrPBox: the page box, the surface the preview paints its sheets on and
// that takes the mouse: dragging, hyperlinks, the zoom menu, the wheel.
#pragma once

#include <QWidget>

namespace lf {

class PageViewer;

// Gray of the box around the sheets.
inline constexpr int kPageBoxGray = 128;
// Help context of the page box.
inline constexpr int kPageBoxTag = 207;

class TfrPBox : public QWidget {
 public:
  // viewer holds the pages and the view state; it outlives the box.
  TfrPBox(PageViewer& viewer, QWidget* parent);

  // The sheets follow the mouse while the left button is held.
  bool Dragging() const { return dragging_; }
  // The page under the last left click, from 1; 0 before any.
  int ClickedPage() const { return clickedPage_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Paint(QPaintEvent* event);
  void LeftDown(int x, int y);
  void Hover(int x, int y);
  PageViewer& viewer_;
  bool dragging_ = false;
  int dragX_ = 0, dragY_ = 0;  // last mouse position while dragging, pixels
  int clickedPage_ = 0;
};

}  // namespace lf
