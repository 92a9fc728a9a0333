// The recording canvas: every operation kept with its device geometry.
#include "platform/recording_canvas.h"

#include <QImage>

#include <algorithm>

#include "platform/saturate.h"
#include "platform/text_measurer.h"

namespace lf {

namespace {

CanvasRect Intersect(const CanvasRect& a, const CanvasRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

// The box around a run of points; one unit wider and taller than their span
// so that a point's pixel lies inside it.
CanvasRect PointsBounds(const CanvasPoint* points, int count) {
  if (count <= 0) return {};
  CanvasRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (int i = 1; i < count; ++i) {
    r.Left = std::min(r.Left, points[i].X);
    r.Top = std::min(r.Top, points[i].Y);
    r.Right = std::max(r.Right, points[i].X);
    r.Bottom = std::max(r.Bottom, points[i].Y);
  }
  ++r.Right;
  ++r.Bottom;
  return r;
}

}  // namespace

RecordingCanvas::RecordingCanvas(int32_t width, int32_t height, int dotsPerInch)
    : clips_{CanvasRect{0, 0, width, height}}, dpi_(dotsPerInch) {}

std::vector<std::string> RecordingCanvas::Texts() const {
  std::vector<std::string> texts;
  for (const CanvasOp& op : ops_)
    if (op.Type == CanvasOp::Kind::Text) texts.push_back(op.Text);
  return texts;
}

void RecordingCanvas::FillRect(const CanvasRect& r, uint32_t color) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Fill;
  op.Bounds = r;
  op.Color = color;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Line;
  op.Points = {{x1, y1}, {x2, y2}};
  op.Bounds = PointsBounds(op.Points.data(), 2);
  op.Pen = pen;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) {
  if (count <= 0) return;
  CanvasOp op;
  op.Type = CanvasOp::Kind::Polyline;
  op.Points.assign(points, points + count);
  op.Bounds = PointsBounds(points, count);
  op.Pen = pen;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Polygon(const CanvasPoint* points, int count, const CanvasPen& pen,
                              uint32_t fill) {
  if (count <= 0) return;
  CanvasOp op;
  op.Type = CanvasOp::Kind::Polygon;
  op.Points.assign(points, points + count);
  op.Bounds = PointsBounds(points, count);
  op.Pen = pen;
  op.Color = fill;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Ellipse;
  op.Bounds = r;
  op.Pen = pen;
  op.Color = fill;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Rectangle;
  op.Bounds = r;
  op.Pen = pen;
  op.Color = fill;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::SetFont(const CanvasFont& font) { font_ = font; }

void RecordingCanvas::TextOut(int32_t x, int32_t y, std::string_view text,
                              const TextOutOptions& options) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Text;
  int32_t width = TextWidth(text, options.CharSpacing);
  int32_t height = FontMetrics().Height;
  if (font_.Orientation == 900)
    op.Bounds = {x, SaturateToInt32(int64_t{y} - width), SaturateToInt32(int64_t{x} + height), y};
  else
    op.Bounds = {x, y, SaturateToInt32(int64_t{x} + width), SaturateToInt32(int64_t{y} + height)};
  op.Text = std::string(text);
  op.Font = font_;
  op.Options = options;
  ops_.push_back(std::move(op));
}

int32_t RecordingCanvas::TextWidth(std::string_view text, int32_t charSpacing) {
  return TextMeasurer::Shared().Width(font_, text, charSpacing);
}

CanvasFontMetrics RecordingCanvas::FontMetrics() { return TextMeasurer::Shared().Metrics(font_); }

void RecordingCanvas::DrawImage(const CanvasRect& r, const QImage& image) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Image;
  op.Bounds = r;
  op.ImageWidth = image.width();
  op.ImageHeight = image.height();
  ops_.push_back(std::move(op));
}

void RecordingCanvas::Save() { clips_.push_back(clips_.back()); }

void RecordingCanvas::Restore() {
  // An unbalanced Restore keeps the outermost clip.
  if (clips_.size() > 1) clips_.pop_back();
}

void RecordingCanvas::IntersectClip(const CanvasRect& r) { clips_.back() = Intersect(clips_.back(), r); }

bool RecordingCanvas::RectVisible(const CanvasRect& r) {
  return !r.IsEmpty() && !Intersect(clips_.back(), r).IsEmpty();
}

void RecordingCanvas::XorRect(const CanvasRect& r) {
  CanvasOp op;
  op.Type = CanvasOp::Kind::Xor;
  op.Bounds = r;
  ops_.push_back(std::move(op));
}

}  // namespace lf
