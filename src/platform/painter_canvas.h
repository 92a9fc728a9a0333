// PainterCanvas: the canvas over a QPainter, so one drawing code paints a
// widget, a QImage, a QPdfWriter page or a QPrinter page.
#pragma once

#include <QFont>

#include "platform/canvas.h"

class QPainter;

namespace lf {

class TextRunCache;

class PainterCanvas : public Canvas {
 public:
  // painter must outlive the canvas; dotsPerInch is the device's resolution
  // (96 for screens and images at 100 %). runs, when given, keeps the shaped
  // texts for the canvases of one device (the pages of one document); it
  // must outlive the canvas.
  PainterCanvas(QPainter& painter, int dotsPerInch = 96, bool printer = false,
                TextRunCache* runs = nullptr);
  ~PainterCanvas() override;

  void FillRect(const CanvasRect& r, uint32_t color) override;
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) override;
  void Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) override;
  void Polygon(const CanvasPoint* points, int count, const CanvasPen& pen, uint32_t fill) override;
  void Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) override;
  void Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) override;
  void SetFont(const CanvasFont& font) override;
  const CanvasFont& Font() const override { return font_; }
  void TextOut(int32_t x, int32_t y, std::string_view text, const TextOutOptions& options) override;
  int32_t TextWidth(std::string_view text, int32_t charSpacing = 0) override;
  CanvasFontMetrics FontMetrics() override;
  void DrawImage(const CanvasRect& r, const QImage& image) override;
  void Save() override;
  void Restore() override;
  void IntersectClip(const CanvasRect& r) override;
  bool RectVisible(const CanvasRect& r) override;
  void XorRect(const CanvasRect& r) override;
  bool IsPrinter() const override { return printer_; }
  int DotsPerInch() const override { return dpi_; }

 private:
  // Whether the ink of text drawn at (x, y) stays inside options.ClipRect.
  bool InkInside(int32_t x, int32_t y, std::u16string_view text, const TextOutOptions& options);
  // Puts the canvas font, with the character spacing, on the painter.
  void SelectFont(int32_t charSpacing);

  QPainter& painter_;
  CanvasFont font_;
  QFont qfont_;  // font_ as Qt draws it
  int dpi_;
  bool printer_;
  TextRunCache* runs_;  // not owned; may be null
};

}  // namespace lf
