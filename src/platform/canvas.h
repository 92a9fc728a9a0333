// Canvas: the drawing surface the engine draws and measures through, in
// device units (pixels of a screen or image, dots of a printer or PDF page).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/font_style.h"

class QImage;

namespace lf {

// Device rectangle: right and bottom are exclusive, as on the platform.
struct CanvasRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const CanvasRect&) const = default;
};

struct CanvasPoint {
  int32_t X = 0, Y = 0;
  bool operator==(const CanvasPoint&) const = default;
};

// Colours are the platform's 0x00BBGGRR values; 0xFF0000nn names system
// colour nn (ColorToRgb resolves both to 0xRRGGBB).
uint32_t ColorToRgb(uint32_t color);


struct CanvasFont {
  std::string Name = "Arial";  // the template's family name (host code page)
  int32_t PixelHeight = 13;    // character (em) height in device units, > 0
  int Style = 0;               // fs* bits
  uint32_t Color = 0;          // 0x00BBGGRR
  uint8_t Charset = 1;         // platform charset byte; chooses the fallback family
  int Orientation = 0;         // tenths of a degree: 0, or 900 (text running upwards)
  bool operator==(const CanvasFont&) const = default;
};

struct CanvasFontMetrics {
  int32_t Height = 0;   // ascent + descent, device units
  int32_t Ascent = 0;
  int32_t Descent = 0;
};

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear };

struct CanvasPen {
  int32_t Width = 1;  // device units; 0 draws one unit wide
  uint32_t Color = 0; // 0x00BBGGRR
  PenStyle Style = PenStyle::Solid;
  bool operator==(const CanvasPen&) const = default;
};

// How TextOut places and clips its text.
struct TextOutOptions {
  bool Clipped = false;     // clip to ClipRect
  CanvasRect ClipRect;
  int32_t CharSpacing = 0;  // extra device units after every character
  bool RightToLeft = false; // right-to-left reading order
  bool Opaque = false;      // fill ClipRect with BackColor first
  uint32_t BackColor = 0xFFFFFF;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Fills r with a colour (no outline).
  virtual void FillRect(const CanvasRect& r, uint32_t color) = 0;
  // A line from (x1, y1) to (x2, y2), the last point excluded as on the platform.
  virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) = 0;
  // Outline and optional fill of shapes (metafile pictures use them).
  virtual void Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) = 0;
  // fill: 0x00BBGGRR, or kNoFill for an outline only.
  virtual void Polygon(const CanvasPoint* points, int count, const CanvasPen& pen, uint32_t fill) = 0;
  virtual void Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) = 0;
  virtual void Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) = 0;

  // Text. The font stays selected until the next SetFont.
  virtual void SetFont(const CanvasFont& font) = 0;
  virtual const CanvasFont& Font() const = 0;
  // Draws host code-page text with the top-left corner of its first
  // character cell at (x, y); with Orientation 900 the text runs upwards
  // from (x, y), which is then the cell's bottom-left corner.
  virtual void TextOut(int32_t x, int32_t y, std::string_view text, const TextOutOptions& options) = 0;
  // Width of one line of text with the current font and a character spacing.
  virtual int32_t TextWidth(std::string_view text, int32_t charSpacing = 0) = 0;
  virtual CanvasFontMetrics FontMetrics() = 0;

  // Draws an image stretched into r.
  virtual void DrawImage(const CanvasRect& r, const QImage& image) = 0;
  // Draws a JPEG picture stretched into r: image is it decoded, jpeg its
  // file bytes, for canvases that can keep it compressed as it is.
  virtual void DrawJpeg(const CanvasRect& r, const QImage& image, std::string_view jpeg) {
    (void)jpeg;
    DrawImage(r, image);
  }

  // Clipping: Intersect narrows the clip; Save/Restore nest.
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void IntersectClip(const CanvasRect& r) = 0;
  // Whether any part of r lies inside the clipping region.
  virtual bool RectVisible(const CanvasRect& r) = 0;

  // Inverts the pixels along r's outline (the preview's rubber bands and
  // found-text marks); drawing it twice restores them.
  virtual void XorRect(const CanvasRect& r) = 0;

  // A printer's canvas (pictures are sent as device-independent images there).
  virtual bool IsPrinter() const { return false; }
  // A recording canvas: every object is drawn, without visibility tests.
  virtual bool IsRecording() const { return false; }
  // Device units per inch (96 for the screen and the measuring canvas).
  virtual int DotsPerInch() const { return 96; }
};

inline constexpr uint32_t kNoFill = 0xFFFFFFFFu;

}  // namespace lf
