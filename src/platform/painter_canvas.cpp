// The canvas over a QPainter: widgets, images, PDF pages and printer pages.
#include "platform/painter_canvas.h"

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QRegion>

#include "platform/code_page.h"
#include "platform/text_measurer.h"
#include "platform/text_run_cache.h"

namespace lf {

namespace {

QColor ToQColor(uint32_t color) { return QColor::fromRgb(ColorToRgb(color)); }

QRect ToQRect(const CanvasRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

Qt::PenStyle ToQtStyle(PenStyle style) {
  switch (style) {
    case PenStyle::Solid: return Qt::SolidLine;
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
  }
  return Qt::SolidLine;
}

QPen ToQPen(const CanvasPen& pen) {
  QPen p(ToQColor(pen.Color));
  p.setStyle(ToQtStyle(pen.Style));
  // Width 0 is one device unit wide, as a cosmetic pen is.
  p.setWidth(pen.Width > 0 ? pen.Width : 0);
  // Thin lines leave out their end point; wide ones end round, as the
  // platform's wide pens do.
  p.setCapStyle(pen.Width > 1 ? Qt::RoundCap : Qt::FlatCap);
  p.setJoinStyle(pen.Width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
  return p;
}

QBrush ToQBrush(uint32_t fill) {
  return fill == kNoFill ? QBrush(Qt::NoBrush) : QBrush(ToQColor(fill));
}

// The rectangle an outlined shape covers: the platform keeps it inside r
// (right and bottom exclusive), QPainter strokes one unit past the path.
QRect OutlineRect(const CanvasRect& r, const CanvasPen& pen) {
  QRect q = ToQRect(r);
  return pen.Style == PenStyle::Clear ? q : q.adjusted(0, 0, -1, -1);
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, int dotsPerInch, bool printer,
                             TextRunCache* runs)
    : painter_(painter), qfont_(MakeQFont(font_)), dpi_(dotsPerInch), printer_(printer),
      runs_(runs) {}

PainterCanvas::~PainterCanvas() = default;

void PainterCanvas::FillRect(const CanvasRect& r, uint32_t color) {
  if (r.IsEmpty()) return;
  painter_.fillRect(ToQRect(r), ToQColor(color));
}

void PainterCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) {
  if (pen.Style == PenStyle::Clear) return;
  painter_.setPen(ToQPen(pen));
  painter_.drawLine(x1, y1, x2, y2);
}

void PainterCanvas::Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) {
  if (count < 2 || pen.Style == PenStyle::Clear) return;
  QPolygon polygon(count);
  for (int i = 0; i < count; ++i) polygon.setPoint(i, points[i].X, points[i].Y);
  painter_.setPen(ToQPen(pen));
  painter_.drawPolyline(polygon);
}

void PainterCanvas::Polygon(const CanvasPoint* points, int count, const CanvasPen& pen,
                            uint32_t fill) {
  if (count < 2) return;
  QPolygon polygon(count);
  for (int i = 0; i < count; ++i) polygon.setPoint(i, points[i].X, points[i].Y);
  painter_.setPen(pen.Style == PenStyle::Clear ? QPen(Qt::NoPen) : ToQPen(pen));
  painter_.setBrush(ToQBrush(fill));
  painter_.drawPolygon(polygon);
  painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  painter_.setPen(pen.Style == PenStyle::Clear ? QPen(Qt::NoPen) : ToQPen(pen));
  painter_.setBrush(ToQBrush(fill));
  painter_.drawEllipse(OutlineRect(r, pen));
  painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  if (pen.Style == PenStyle::Clear) {
    if (fill != kNoFill) painter_.fillRect(ToQRect(r), ToQColor(fill));
    return;
  }
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(fill));
  painter_.drawRect(OutlineRect(r, pen));
  painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::SetFont(const CanvasFont& font) {
  if (font == font_) return;
  font_ = font;
  qfont_ = MakeQFont(font);
}

void PainterCanvas::TextOut(int32_t x, int32_t y, std::string_view text,
                            const TextOutOptions& options) {
  const std::u16string utf16 = HostToUtf16(text);
  const QString s = QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
  // Upright left-to-right text whose ink lies inside its clip rectangle is
  // drawn straight on: a clip that cuts nothing only costs a saved painter
  // state and a clip path around every text of a PDF page.
  const bool upright = font_.Orientation != 900 && !options.RightToLeft;
  if (upright && (!options.Clipped || InkInside(x, y, utf16, options))) {
    if (painter_.layoutDirection() != Qt::LeftToRight) painter_.setLayoutDirection(Qt::LeftToRight);
    if (options.Opaque && !options.ClipRect.IsEmpty())
      painter_.fillRect(ToQRect(options.ClipRect), ToQColor(options.BackColor));
    SelectFont(options.CharSpacing);
    painter_.setPen(ToQColor(font_.Color));
    const qreal baseline = y + FontMetrics().Ascent;
    if (runs_ && options.CharSpacing == 0) {
      const TextRunCache::Runs* shaped =
          runs_->Find(font_, painter_.font(), painter_.device(), utf16);
      if (shaped) {
        for (const QGlyphRun& run : shaped->glyphs)
          painter_.drawGlyphRun(QPointF(x, baseline - shaped->ascent), run);
        return;
      }
    }
    painter_.drawText(QPointF(x, baseline), s);
    return;
  }
  painter_.save();
  if (options.Opaque && !options.ClipRect.IsEmpty())
    painter_.fillRect(ToQRect(options.ClipRect), ToQColor(options.BackColor));
  if (options.Clipped) painter_.setClipRect(ToQRect(options.ClipRect), Qt::IntersectClip);
  SelectFont(options.CharSpacing);
  painter_.setPen(ToQColor(font_.Color));
  painter_.setLayoutDirection(options.RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  int32_t ascent = FontMetrics().Ascent;
  if (font_.Orientation == 900) {
    // Turned a quarter anticlockwise: the cell's top-left corner in the
    // text's own frame is the device point (x, y), its bottom-left there.
    painter_.translate(x, y);
    painter_.rotate(-90);
    painter_.drawText(QPointF(0, ascent), s);
  } else {
    painter_.drawText(QPointF(x, y + ascent), s);
  }
  painter_.restore();
}

bool PainterCanvas::InkInside(int32_t x, int32_t y, std::u16string_view text,
                              const TextOutOptions& options) {
  const CanvasRect ink = TextMeasurer::Shared().InkBounds(font_, text, options.CharSpacing);
  if (ink.IsEmpty()) return true;
  // One device unit of room for antialiased edges.
  const CanvasRect& clip = options.ClipRect;
  return int64_t{x} + ink.Left - 1 >= clip.Left && int64_t{x} + ink.Right + 1 <= clip.Right &&
         int64_t{y} + ink.Top - 1 >= clip.Top && int64_t{y} + ink.Bottom + 1 <= clip.Bottom;
}

void PainterCanvas::SelectFont(int32_t charSpacing) {
  // Setting a font on the painter makes Qt look its glyphs up anew: only
  // when it changes.
  if (charSpacing == 0) {
    if (painter_.font() != qfont_) painter_.setFont(qfont_);
    return;
  }
  QFont font = qfont_;
  font.setLetterSpacing(QFont::AbsoluteSpacing, charSpacing);
  if (painter_.font() != font) painter_.setFont(font);
}

int32_t PainterCanvas::TextWidth(std::string_view text, int32_t charSpacing) {
  return TextMeasurer::Shared().Width(font_, text, charSpacing);
}

CanvasFontMetrics PainterCanvas::FontMetrics() { return TextMeasurer::Shared().Metrics(font_); }

void PainterCanvas::DrawImage(const CanvasRect& r, const QImage& image) {
  if (r.IsEmpty() || image.isNull()) return;
  painter_.save();
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter_.drawImage(ToQRect(r), image);
  painter_.restore();
}

void PainterCanvas::Save() { painter_.save(); }

void PainterCanvas::Restore() { painter_.restore(); }

void PainterCanvas::IntersectClip(const CanvasRect& r) {
  if (painter_.hasClipping()) {
    painter_.setClipRect(ToQRect(r), Qt::IntersectClip);
  } else {
    painter_.setClipRect(ToQRect(r), Qt::ReplaceClip);
  }
}

bool PainterCanvas::RectVisible(const CanvasRect& r) {
  if (r.IsEmpty()) return false;
  QRect q = ToQRect(r);
  if (painter_.hasClipping()) return painter_.clipRegion().intersects(q);
  QPaintDevice* device = painter_.device();
  if (!device) return false;
  QRect deviceRect(0, 0, device->width(), device->height());
  return painter_.deviceTransform().mapRect(q).intersects(deviceRect);
}

void PainterCanvas::XorRect(const CanvasRect& r) {
  if (printer_ || r.IsEmpty()) return;
  QPaintEngine* engine = painter_.paintEngine();
  if (!engine || !engine->hasFeature(QPaintEngine::RasterOpModes)) return;
  painter_.save();
  painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter_.setPen(QPen(Qt::white, 0));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(ToQRect(r).adjusted(0, 0, -1, -1));
  painter_.restore();
}

}  // namespace lf
