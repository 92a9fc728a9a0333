// PdfCanvas: the engine's canvas writing a PDF document directly: content
// streams compressed and written page by page, texts in embedded font
// subsets, pictures as one image object each however often they are shown,
// links as annotations, the document information.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/canvas.h"

namespace lf {

class TStream;
class PdfObjectWriter;
class PdfFonts;
struct ShapedRun;

// Texts of the document's information dictionary (UTF-8); empty ones are
// left out.
struct PdfDocumentInfo {
  std::string Title, Author, Subject;
  std::string Producer = "lumenfoldi";
  std::string CreationDate;  // "D:YYYYMMDDHHmmSSZ"; empty: now
};

class PdfCanvas : public Canvas {
 public:
  // out receives the document and must outlive the canvas; nothing of it
  // is complete before Finish(). dotsPerInch is the grid of device units.
  PdfCanvas(TStream& out, const PdfDocumentInfo& info, int dotsPerInch = 600);
  ~PdfCanvas() override;

  // Starts a page of width x height device units; the page before must
  // have ended.
  void BeginPage(int32_t width, int32_t height);
  // Compresses and writes the page's contents and links.
  void EndPage();
  // A link over r on the current page to the page with index `page` of
  // this document (from 0; pages not yet written included).
  void LinkToPage(const CanvasRect& r, int page);
  // A link over r on the current page to an address (host code page).
  void LinkToUri(const CanvasRect& r, std::string_view address);
  // Writes the fonts, the page tree, the information and the
  // cross-reference table. Pages that links name but that were never
  // drawn are added blank.
  void Finish();
  int PagesWritten() const { return pagesWritten_; }

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
  void DrawJpeg(const CanvasRect& r, const QImage& image, std::string_view jpeg) override;
  void Save() override;
  void Restore() override;
  void IntersectClip(const CanvasRect& r) override;
  bool RectVisible(const CanvasRect& r) override;
  void XorRect(const CanvasRect&) override {}
  bool IsPrinter() const override { return true; }
  int DotsPerInch() const override { return dpi_; }

 private:
  // What the content stream has set, so that it is set again only when it
  // changes; Save and Restore nest it with the stream's q and Q.
  struct State {
    CanvasRect Clip;
    int64_t Fill = -1, Stroke = -1;  // 0xRRGGBB; -1 not set
    int32_t LineWidth = -1;
    PenStyle Dash = PenStyle::Solid;
    bool Round = false;
    int32_t CharSpacing = 0;
    const void* Face = nullptr;
    int32_t FontSize = 0;
  };

  void SetFill(uint32_t color);
  void SetStroke(const CanvasPen& pen);
  void PathPoints(const CanvasPoint* points, int count);
  void PaintPath(const CanvasPen& pen, uint32_t fill, bool evenOdd);
  void DrawRuns(const std::vector<ShapedRun>& runs, double x, double y, int32_t ascent,
                int32_t charSpacing, bool rotated);
  // Draws the image object `object` stretched into r.
  void ShowImage(const CanvasRect& r, int object);
  void AddLink(const CanvasRect& r, const std::string& action);
  int PageObject(int page);
  void Num(double v) ;
  void Int(int64_t v);

  std::unique_ptr<PdfObjectWriter> writer_;
  std::unique_ptr<PdfFonts> fonts_;
  PdfDocumentInfo info_;
  int dpi_;
  double pointsPerUnit_;
  CanvasFont font_;

  int catalog_ = 0, pageTree_ = 0, resources_ = 0, infoObject_ = 0;
  std::vector<int> pageObjects_;             // by page index; 0 not yet numbered
  std::vector<bool> pageDone_;
  int pagesWritten_ = 0;
  bool inPage_ = false;
  int32_t pageWidth_ = 0, pageHeight_ = 0;   // device units
  std::string content_;
  std::vector<State> states_;
  std::vector<int> links_;                   // annotation objects of the page
  std::unordered_map<std::string, int> images_;  // key -> image object
  std::string imageResources_;               // "/I5 5 0 R..."
};

}  // namespace lf
