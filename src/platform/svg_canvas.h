// SvgCanvas: a canvas that writes an SVG document, texts as text elements so
// that a browser draws them sharp at any zoom and lets them be selected.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/canvas.h"

namespace lf {

class SvgCanvas : public Canvas {
 public:
  // A document of width x height device units at dotsPerInch; its printed
  // size is given in millimetres, so the browser knows the paper.
  SvgCanvas(int32_t width, int32_t height, int dotsPerInch);

  // The finished document (UTF-8). The canvas may not be drawn on afterwards.
  std::string Finish();

  void FillRect(const CanvasRect& r, uint32_t color) override;
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) override;
  void Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) override;
  void Polygon(const CanvasPoint* points, int count, const CanvasPen& pen, uint32_t fill) override;
  void Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) override;
  void Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) override;
  void SetFont(const CanvasFont& font) override { font_ = font; }
  const CanvasFont& Font() const override { return font_; }
  void TextOut(int32_t x, int32_t y, std::string_view text, const TextOutOptions& options) override;
  int32_t TextWidth(std::string_view text, int32_t charSpacing = 0) override;
  CanvasFontMetrics FontMetrics() override;
  void DrawImage(const CanvasRect& r, const QImage& image) override;
  void Save() override;
  void Restore() override;
  void IntersectClip(const CanvasRect& r) override;
  bool RectVisible(const CanvasRect& r) override;
  void XorRect(const CanvasRect&) override {}
  int DotsPerInch() const override { return dpi_; }

 private:
  struct State {
    CanvasRect clip;
    int openGroups = 0;  // <g> elements opened since the Save that made this state
  };
  // The id of a clip path for r, defined once per document.
  std::string ClipId(const CanvasRect& r);
  std::string StrokeAttributes(const CanvasPen& pen) const;

  int32_t width_, height_;
  int dpi_;
  CanvasFont font_;
  std::vector<State> states_;  // back() is current
  std::map<std::tuple<int32_t, int32_t, int32_t, int32_t>, std::string> clipIds_;
  std::string defs_;
  std::string body_;
};

// Text made safe to stand in XML content or an attribute value: markup
// characters escaped, characters XML cannot hold dropped.
std::string XmlEscape(std::string_view utf8);

}  // namespace lf
