// RecordingCanvas: a canvas that keeps every drawing operation with its
// geometry and text, for text search in prepared pages and for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace lf {

struct CanvasOp {
  // Scoped, so that Kind::Text does not clash with the Text member.
  enum class Kind { Fill, Line, Polyline, Polygon, Ellipse, Rectangle, Text, Image, Xor };
  Kind Type = Kind::Fill;
  CanvasRect Bounds;           // device units; a text's box (turned for rotated text)
  std::vector<CanvasPoint> Points;  // lines and shapes
  CanvasPen Pen;
  uint32_t Color = 0;          // fill colour
  std::string Text;            // host code page
  CanvasFont Font;             // text font
  TextOutOptions Options;      // text options
  int ImageWidth = 0, ImageHeight = 0;  // source image size in pixels
};

class RecordingCanvas : public Canvas {
 public:
  // A canvas of the given device size (clip starts as the whole of it).
  explicit RecordingCanvas(int32_t width = 1 << 20, int32_t height = 1 << 20, int dotsPerInch = 96);

  const std::vector<CanvasOp>& Ops() const { return ops_; }
  void Clear() { ops_.clear(); }
  // The texts drawn, in order (for tests).
  std::vector<std::string> Texts() const;

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
  bool IsRecording() const override { return true; }
  int DotsPerInch() const override { return dpi_; }

 private:
  std::vector<CanvasOp> ops_;
  std::vector<CanvasRect> clips_;  // clip stack; back() is current
  CanvasFont font_;
  int dpi_;
};

}  // namespace lf
